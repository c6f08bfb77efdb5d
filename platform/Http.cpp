#include "platform/Http.h"

#include <curl/curl.h>

#include <mutex>

#include "platform/SharedLibrary.h"

namespace {

// The transfer library, opened at the first web load: it and its TLS,
// compression and name-service libraries are a third of what the program
// would otherwise map at start-up.
struct TCurl {
  decltype(&curl_global_init) global_init = nullptr;
  decltype(&curl_easy_init) easy_init = nullptr;
  decltype(&curl_easy_setopt) easy_setopt = nullptr;
  decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&curl_easy_perform) easy_perform = nullptr;
  decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&curl_slist_append) slist_append = nullptr;
  decltype(&curl_slist_free_all) slist_free_all = nullptr;
  bool ready = false;
};

// Null when the library cannot be opened: a web load then fails as a
// transfer without connection does.
const TCurl* Curl() {
  static const TCurl* curl = [] {
    static TSharedLibrary lib({"libcurl.so.4", "libcurl-gnutls.so.4"});
    static TCurl c;
    c.ready = lib.Bind(c.global_init, "curl_global_init") && lib.Bind(c.easy_init, "curl_easy_init") &&
              lib.Bind(c.easy_setopt, "curl_easy_setopt") && lib.Bind(c.easy_getinfo, "curl_easy_getinfo") &&
              lib.Bind(c.easy_perform, "curl_easy_perform") && lib.Bind(c.easy_cleanup, "curl_easy_cleanup") &&
              lib.Bind(c.slist_append, "curl_slist_append") && lib.Bind(c.slist_free_all, "curl_slist_free_all") &&
              c.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return c.ready ? &c : nullptr;
  }();
  return curl;
}

struct TTransfer {
  const THttpRequest* request;
  std::vector<uint8_t>* body;
  const std::function<bool(int64_t, int64_t)>* progress;
  CURL* curl;
  bool too_large = false;
  bool cancelled = false;
};

size_t OnWrite(char* Data, size_t Size, size_t Count, void* User) {
  auto* t = static_cast<TTransfer*>(User);
  const size_t n = Size * Count;
  if (static_cast<int64_t>(t->body->size() + n) > t->request->MaxBytes) {
    t->too_large = true;
    return 0;  // stops the transfer
  }
  t->body->insert(t->body->end(), Data, Data + n);
  if (*t->progress) {
    curl_off_t total = -1;
    if (Curl()->easy_getinfo(t->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total) != CURLE_OK)
      total = -1;
    if (!(*t->progress)(static_cast<int64_t>(t->body->size()), total < 0 ? -1 : total)) {
      t->cancelled = true;
      return 0;
    }
  }
  return n;
}

}  // namespace

THttpResult HttpGet(const THttpRequest& Request, std::vector<uint8_t>& Body,
                    const std::function<bool(int64_t, int64_t)>& Progress, int32_t* Status) {
  Body.clear();
  if (Status) *Status = 0;
  const TCurl* api = Curl();
  if (!api) return hrFailed;
  CURL* c = api->easy_init();
  if (!c) return hrFailed;
  TTransfer t{&Request, &Body, &Progress, c};
  api->easy_setopt(c, CURLOPT_URL, Request.URL.c_str());
  api->easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
  api->easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
  api->easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  api->easy_setopt(c, CURLOPT_MAXREDIRS, static_cast<long>(Request.MaxRedirects));
  api->easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(Request.TimeoutSeconds));
  api->easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  api->easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(Request.MaxBytes));
  if (!Request.UserAgent.empty()) api->easy_setopt(c, CURLOPT_USERAGENT, Request.UserAgent.c_str());
  // Never proxied through the environment's settings unless asked.
  api->easy_setopt(c, CURLOPT_PROXY, Request.Proxy.c_str());
  if (!Request.Proxy.empty()) {
    api->easy_setopt(c, CURLOPT_PROXYUSERNAME, Request.ProxyUser.c_str());
    api->easy_setopt(c, CURLOPT_PROXYPASSWORD, Request.ProxyPassword.c_str());
  }
  curl_slist* headers = nullptr;
  headers = api->slist_append(headers, "Cache-Control: no-cache");
  headers = api->slist_append(headers, "Pragma: no-cache");
  api->easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  api->easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnWrite);
  api->easy_setopt(c, CURLOPT_WRITEDATA, &t);
  const CURLcode rc = api->easy_perform(c);
  long code = 0;
  api->easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
  api->slist_free_all(headers);
  api->easy_cleanup(c);
  if (Status) *Status = static_cast<int32_t>(code);
  THttpResult result = hrOK;
  if (t.cancelled)
    result = hrCancelled;
  else if (t.too_large || rc == CURLE_FILESIZE_EXCEEDED)
    result = hrTooLarge;
  else if (rc != CURLE_OK)
    result = hrFailed;
  else if (code != 0 && (code < 200 || code > 299))
    result = hrHttpError;
  if (result != hrOK) Body.clear();
  return result;
}

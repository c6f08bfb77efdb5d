#include "platform/Http.h"

#include <curl/curl.h>

#include <mutex>

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
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
    if (curl_easy_getinfo(t->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total) != CURLE_OK)
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
  GlobalInit();
  Body.clear();
  if (Status) *Status = 0;
  CURL* c = curl_easy_init();
  if (!c) return hrFailed;
  TTransfer t{&Request, &Body, &Progress, c};
  curl_easy_setopt(c, CURLOPT_URL, Request.URL.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, static_cast<long>(Request.MaxRedirects));
  curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(Request.TimeoutSeconds));
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(Request.MaxBytes));
  if (!Request.UserAgent.empty()) curl_easy_setopt(c, CURLOPT_USERAGENT, Request.UserAgent.c_str());
  // Never proxied through the environment's settings unless asked.
  curl_easy_setopt(c, CURLOPT_PROXY, Request.Proxy.c_str());
  if (!Request.Proxy.empty()) {
    curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, Request.ProxyUser.c_str());
    curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, Request.ProxyPassword.c_str());
  }
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Cache-Control: no-cache");
  headers = curl_slist_append(headers, "Pragma: no-cache");
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnWrite);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  const CURLcode rc = curl_easy_perform(c);
  long code = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
  curl_slist_free_all(headers);
  curl_easy_cleanup(c);
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

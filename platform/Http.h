#pragma once
// HTTP/HTTPS/FTP GET into memory (nothing is written to disk), with a size
// cap, a time-out, a bounded number of redirects and an optional proxy.
// Callable from any thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct THttpRequest {
  std::string URL;
  std::string UserAgent;
  std::string Proxy;  // empty: direct
  std::string ProxyUser;
  std::string ProxyPassword;
  int64_t MaxBytes = 256ll << 20;
  int32_t TimeoutSeconds = 60;
  int32_t MaxRedirects = 5;
};

enum THttpResult : uint8_t {
  hrOK,         // a 2xx answer, the whole body received
  hrFailed,     // no connection, a bad address or scheme, a broken transfer
  hrHttpError,  // an answer outside 2xx
  hrTooLarge,   // the body (announced or received) exceeds MaxBytes
  hrCancelled,  // Progress returned false
};

// Progress(received, total) after each piece; total is -1 when the server
// announced no length. Status receives the last HTTP status (0 when none).
THttpResult HttpGet(const THttpRequest& Request, std::vector<uint8_t>& Body,
                    const std::function<bool(int64_t Received, int64_t Total)>& Progress,
                    int32_t* Status = nullptr);

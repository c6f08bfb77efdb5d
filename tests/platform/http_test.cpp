// GET into memory against a server on the loopback interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Http.h"
#include "tests/platform/LoopbackHttpServer.h"

namespace {

std::string Answer(const std::string& Status, const std::string& Body, bool WithLength,
                   const std::string& Extra = "") {
  std::string s = "HTTP/1.1 " + Status + "\r\nConnection: close\r\n" + Extra;
  if (WithLength) s += "Content-Length: " + std::to_string(Body.size()) + "\r\n";
  return s + "\r\n" + Body;
}

void Serve(const std::string& Path, int Fd) {
  const std::string body(3000, 'x');
  if (Path == "/len")
    LoopbackHttpServer::Send(Fd, Answer("200 OK", body, true));
  else if (Path == "/nolen")
    LoopbackHttpServer::Send(Fd, Answer("200 OK", body, false));
  else if (Path == "/moved")
    LoopbackHttpServer::Send(Fd, Answer("302 Found", "", true, "Location: /len\r\n"));
  else if (Path == "/loop")
    LoopbackHttpServer::Send(Fd, Answer("302 Found", "", true, "Location: /loop\r\n"));
  else if (Path == "/cut")  // announces more than it sends
    LoopbackHttpServer::Send(Fd, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 100000\r\n\r\n" + body);
  else if (Path == "/big")
    LoopbackHttpServer::Send(Fd, Answer("200 OK", std::string(200000, 'y'), false));
  else
    LoopbackHttpServer::Send(Fd, Answer("404 Not Found", "none", true));
}

}  // namespace

TEST(Http, AnswersOfALoopbackServer) {
  LoopbackHttpServer server(&Serve);
  struct Case {
    std::string path;
    THttpResult result;
    size_t size;
    int32_t status;
  } cases[] = {
      {"/len", hrOK, 3000, 200},       {"/nolen", hrOK, 3000, 200},
      {"/moved", hrOK, 3000, 200},     {"/loop", hrFailed, 0, 302},
      {"/missing", hrHttpError, 0, 404}, {"/cut", hrFailed, 0, 200},
      {"/big", hrTooLarge, 0, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    THttpRequest r;
    r.URL = server.URL(c.path);
    r.MaxBytes = 100000;
    r.TimeoutSeconds = 10;
    std::vector<uint8_t> body;
    int32_t status = -1;
    EXPECT_EQ(HttpGet(r, body, nullptr, &status), c.result);
    EXPECT_EQ(body.size(), c.size);
    EXPECT_EQ(status, c.status);
  }
}

TEST(Http, ProgressSeesTheLengthAndCanCancel) {
  LoopbackHttpServer server(&Serve);
  THttpRequest r;
  r.URL = server.URL("/len");
  std::vector<uint8_t> body;
  int64_t last = 0, total = 0;
  EXPECT_EQ(HttpGet(r, body, [&](int64_t got, int64_t all) {
              last = got;
              total = all;
              return true;
            }),
            hrOK);
  EXPECT_EQ(last, 3000);
  EXPECT_EQ(total, 3000);
  r.URL = server.URL("/nolen");
  EXPECT_EQ(HttpGet(r, body, [&](int64_t, int64_t all) {
              total = all;
              return false;
            }),
            hrCancelled);
  EXPECT_EQ(total, -1);
  EXPECT_TRUE(body.empty());
}

TEST(Http, OnlyWebSchemes) {
  std::vector<uint8_t> body;
  THttpRequest r;
  for (const char* url : {"file:///etc/passwd", "gopher://127.0.0.1/", "dict://127.0.0.1/"}) {
    r.URL = url;
    EXPECT_EQ(HttpGet(r, body, nullptr), hrFailed) << url;
  }
}

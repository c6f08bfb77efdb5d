// Loads from web addresses, against a server on the loopback interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BmpTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "tests/platform/LoopbackHttpServer.h"

namespace {

std::string Picture() {
  BmpSpec s;
  // Large enough to arrive in several pieces.
  s.width = 400;
  s.height = 300;
  s.pixels.assign(static_cast<size_t>(400 * 3 * 300), 0x5A);
  const std::vector<uint8_t> b = BuildBMP(s);
  return std::string(b.begin(), b.end());
}

void Serve(const std::string& Path, int Fd) {
  const std::string pic = Picture();
  const std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
  if (Path == "/pic.bmp")
    LoopbackHttpServer::Send(Fd, head + "Content-Length: " + std::to_string(pic.size()) + "\r\n\r\n" + pic);
  else if (Path == "/nolen")
    LoopbackHttpServer::Send(Fd, head + "\r\n" + pic);
  else if (Path == "/moved")
    LoopbackHttpServer::Send(Fd, "HTTP/1.1 301 Moved\r\nConnection: close\r\nLocation: /pic.bmp\r\nContent-Length: 0\r\n\r\n");
  else
    LoopbackHttpServer::Send(Fd, "HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 4\r\n\r\nnone");
}

struct Outcome {
  bool aborted;
  int32_t width;
  int finishes;
};

Outcome Load(TImagoIO& io, const std::string& url) {
  io.IEBitmap()->Allocate(1, 1, ieRGB24);
  int finishes = 0;
  io.OnFinishWork = [&](TObject*) { ++finishes; };
  io.LoadFromFile(url);
  io.WaitThreads(false);
  io.OnFinishWork = nullptr;
  return {io.Aborted(), io.IEBitmap()->Width(), finishes};
}

}  // namespace

TEST(WebLoad, AnswersOfALoopbackServer) {
  LoopbackHttpServer server(&Serve);
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  struct Case {
    std::string url;
    bool aborted;
    int32_t width;
  } cases[] = {
      {server.URL("/pic.bmp"), false, 400},
      {"HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/nolen", false, 400},
      {server.URL("/moved"), false, 400},
      {server.URL("/missing"), true, 1},
      {"gopher://127.0.0.1/x", true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const Outcome o = Load(*io, c.url);
    EXPECT_EQ(o.aborted, c.aborted);
    EXPECT_EQ(o.width, c.width);
    EXPECT_EQ(o.finishes, 1);
  }
  // No path after the host: nothing is asked, nothing loaded, no abort.
  const int before = server.Requests();
  const Outcome o = Load(*io, "http://127.0.0.1:" + std::to_string(server.Port()));
  EXPECT_FALSE(o.aborted);
  EXPECT_EQ(o.width, 1);
  EXPECT_EQ(o.finishes, 1);
  EXPECT_EQ(server.Requests(), before);
}

// A body without a length may not grow past the cap.
TEST(WebLoad, BodyOverTheCapAndAbortMidTransfer) {
  LoopbackHttpServer server(&Serve);
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->MaxURLBytes = 1000;
  Outcome o = Load(*io, server.URL("/nolen"));
  EXPECT_TRUE(o.aborted);
  EXPECT_EQ(o.width, 1);
  io->MaxURLBytes = 1 << 20;
  // A progress handler stops the transfer.
  std::vector<int32_t> seen;
  io->OnProgress = [&](TObject*, int32_t p) {
    seen.push_back(p);
    if (p > 0 && p < 100) io->SetAborted(true);
  };
  o = Load(*io, server.URL("/pic.bmp"));
  EXPECT_TRUE(o.aborted);
  EXPECT_EQ(o.width, 1);
  ASSERT_FALSE(seen.empty());
}

TEST(WebLoad, OnAWorker) {
  LoopbackHttpServer server(&Serve);
  TIEBitmap lent;
  lent.Allocate(1, 1, ieRGB24);
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->AttachIEBitmap(&lent);
  io->AsyncMode = true;
  io->LoadFromURL(server.URL("/pic.bmp"));
  io->WaitThreads(false);
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(lent.Width(), 400);
}

#pragma once
// A tiny HTTP server on 127.0.0.1 (a free port) for tests: one connection at
// a time, "Connection: close" answers written by the test's handler.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class LoopbackHttpServer {
 public:
  // Handler(path, fd) writes the whole answer to fd (Send helps).
  using Handler = std::function<void(const std::string& Path, int Fd)>;

  explicit LoopbackHttpServer(Handler H) : handler_(std::move(H)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    ::listen(listen_, 8);
    thread_ = std::thread([this] { Run(); });
  }
  ~LoopbackHttpServer() {
    stop_ = true;
    // Wake the accept with a connection of our own.
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port_));
    ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::close(s);
    thread_.join();
    ::close(listen_);
  }
  int Port() const { return port_; }
  std::string URL(const std::string& Path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + Path;
  }
  static void Send(int Fd, const std::string& S) {
    size_t done = 0;
    while (done < S.size()) {
      const ssize_t n = ::send(Fd, S.data() + done, S.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }
  int Requests() const { return requests_; }

 private:
  void Run() {
    for (;;) {
      const int fd = ::accept(listen_, nullptr, nullptr);
      if (stop_) {
        if (fd >= 0) ::close(fd);
        return;
      }
      if (fd < 0) continue;
      std::string req;
      char buf[1024];
      while (req.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        req.append(buf, static_cast<size_t>(n));
      }
      const size_t sp1 = req.find(' ');
      const size_t sp2 = sp1 == std::string::npos ? sp1 : req.find(' ', sp1 + 1);
      if (sp2 != std::string::npos) {
        ++requests_;
        handler_(req.substr(sp1 + 1, sp2 - sp1 - 1), fd);
      }
      ::shutdown(fd, SHUT_RDWR);
      ::close(fd);
    }
  }
  Handler handler_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

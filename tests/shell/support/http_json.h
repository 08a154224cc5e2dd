#pragma once
// A small HTTP/1.1 client for JSON over loopback: all the WebDriver tests need.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace velmorin::testing {

struct HttpReply {
  int status = 0;
  nlohmann::json body;
};

// A port that was free a moment ago.
inline int freeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

inline std::string dechunked(const std::string& body) {
  std::string out;
  std::size_t at = 0;
  while (at < body.size()) {
    const auto lineEnd = body.find("\r\n", at);
    if (lineEnd == std::string::npos) break;
    const std::size_t size = std::stoul(body.substr(at, lineEnd - at), nullptr, 16);
    if (size == 0) break;
    out += body.substr(lineEnd + 2, size);
    at = lineEnd + 2 + size + 2;
  }
  return out;
}

// Sends one request and reads the whole answer; nothing when the server cannot be reached.
inline std::optional<HttpReply> httpJson(int port, const std::string& method, const std::string& path,
                                         const std::optional<nlohmann::json>& body = std::nullopt) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return std::nullopt;
  }
  const std::string payload = body ? body->dump() : std::string();
  std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  if (body) request += "Content-Type: application/json\r\n";
  request += "Content-Length: " + std::to_string(payload.size()) + "\r\n\r\n" + payload;
  for (std::size_t sent = 0; sent < request.size();) {
    const ssize_t n = write(fd, request.data() + sent, request.size() - sent);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  std::string response;
  char buffer[65536];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) response.append(buffer, static_cast<std::size_t>(n));
  close(fd);

  const auto headerEnd = response.find("\r\n\r\n");
  if (headerEnd == std::string::npos || response.size() < 12) return std::nullopt;
  HttpReply reply;
  reply.status = std::atoi(response.substr(9, 3).c_str());
  std::string headers = response.substr(0, headerEnd);
  for (auto& c : headers) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string content = response.substr(headerEnd + 4);
  if (headers.find("transfer-encoding: chunked") != std::string::npos) content = dechunked(content);
  reply.body = nlohmann::json::parse(content, nullptr, false);
  return reply;
}

}  // namespace velmorin::testing

// The host's exception classes. Every failure above the system-call wrappers is thrown as one of
// these (or as a plain std::runtime_error when no code goes with the text); the transport turns
// them into error replies and the command line prints their text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vesku {

// A failure that carries a system error code (errno on Linux) or a fixed code of our own.
class CWinException : public std::runtime_error {
 public:
  CWinException(const std::string& message, int32_t code)
      : std::runtime_error(message), code_(code) {}
  int32_t code() const noexcept { return code_; }

 private:
  int32_t code_;
};

// A failure of an RPC runtime call (UUID rendering), with that call's status.
class CRpcException : public std::runtime_error {
 public:
  CRpcException(const std::string& message, int32_t code)
      : std::runtime_error(message), code_(code) {}
  int32_t code() const noexcept { return code_; }

 private:
  int32_t code_;
};

// A text that could not be converted (a date token that is not a whole number).
class CConvertException : public std::runtime_error {
 public:
  explicit CConvertException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vesku

namespace vesku_rpc {

// A request that cannot be delivered or answered: an inconsistent ring or a closed channel.
class RpcNoDeliver : public std::runtime_error {
 public:
  RpcNoDeliver() : std::runtime_error("RPC Error") {}
};

}  // namespace vesku_rpc

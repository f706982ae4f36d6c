#pragma once
// What every request of the HTTP client carries, on every platform.

#include <cstddef>

constexpr const char* kHttpUserAgent = "Tavo Software HTTP Retriever 1.0";
constexpr const char* kFormContentTypeHeader = "Content-Type: application/x-www-form-urlencoded";
constexpr const char* kAcceptedMediaTypes = "*/*";
constexpr const char* kPostVerb = "POST";

// The only port spoken to without a secure connection.
constexpr int kPlainHttpPort = 80;

// Largest part of a reply taken in by one read.
constexpr size_t kReplyChunkSize = 8191;

// Most of a reply that is kept: the maker's scripts answer with a few words, so anything past
// this is not taken in.
constexpr size_t kMaxReplyBytes = 1024 * 1024;

inline bool UsesSecureConnection(int port) {
    return port != kPlainHttpPort;
}

#pragma once
// Starts scripted_http_server.py for a test, tells it how to answer, reads what it received,
// and stops it again.

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

enum class ServerKind {
    PlainPort80,     // plain HTTP on port 80 of a loopback address
    PlainOtherPort,  // plain HTTP on another port
    TlsGood,         // HTTPS, certificate valid for 127.0.0.1
    TlsWrongName,    // HTTPS, certificate for another name
    TlsExpired,      // HTTPS, certificate out of date
};

// A name for test output: "PlainPort80", "Tls", ...
const char* ServerKindName(ServerKind kind);

using Fields = std::vector<std::pair<std::string, std::string>>;

struct RecordedRequest {
    std::string requestLine;  // e.g. "POST /script/checkversion.php HTTP/1.1"
    Fields headers;           // in the order received
    std::string body;
    Fields form;  // the body as the server's form parser understood it

    // The value of the first header of that name (compared without regard to capitals), or
    // "<none>".
    std::string Header(const std::string& name) const;
};

class ScriptedServer {
public:
    ScriptedServer() = default;
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;
    ~ScriptedServer();

    // False, with the reason, when the server cannot run here.
    bool Start(ServerKind kind, std::string& problem);
    void Stop();

    // "127.0.0.5" for port 80, otherwise "127.0.0.1:<port>".
    std::string Host() const;
    int Port() const { return port_; }
    // The certificate authority of a TLS server (empty for a plain one).
    std::string TrustedAuthoritiesFile() const;

    // How the next requests are answered.
    void Answer(const std::string& body, int status = 200);
    // Announces all of `body` but sends only its first `sent` bytes, then nothing more.
    void AnswerThenStall(const std::string& body, size_t sent);
    // Announces all of `body` and sends it one byte every `intervalMs` milliseconds.
    void AnswerDripping(const std::string& body, int intervalMs);
    void Hang();
    void CloseWithoutAnswer();

    std::vector<RecordedRequest> Requests() const;

private:
    void WriteFile(const std::string& name, const std::string& bytes) const;

    pid_t pid_ = -1;
    std::string directory_;
    std::string address_;
    int port_ = 0;
    bool tls_ = false;
};

// A loopback port on which nothing listens (it was free a moment ago).
int UnusedLoopbackPort();

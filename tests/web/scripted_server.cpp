#include "tests/web/scripted_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct KindName {
    ServerKind kind;
    const char* name;  // as the server script calls it
    const char* testName;
    bool tls;
};

constexpr KindName kKindNames[] = {
    {ServerKind::PlainPort80, "plain80", "PlainPort80", false},
    {ServerKind::PlainOtherPort, "plain-any", "PlainOtherPort", false},
    {ServerKind::TlsGood, "tls-good", "Tls", true},
    {ServerKind::TlsWrongName, "tls-wrong-name", "TlsWrongName", true},
    {ServerKind::TlsExpired, "tls-expired", "TlsExpired", true},
};

const KindName& Describe(ServerKind kind) {
    for (const KindName& entry : kKindNames) {
        if (entry.kind == kind) {
            return entry;
        }
    }
    return kKindNames[0];
}

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::string Lowercase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Reads one line from `fd`, waiting at most `timeoutMs` in all.
std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    char c = 0;
    while (true) {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, timeoutMs) <= 0 || read(fd, &c, 1) != 1 || c == '\n') {
            return line;
        }
        line += c;
    }
}

RecordedRequest ParseRequest(const fs::path& base) {
    RecordedRequest request;
    std::istringstream head(ReadWholeFile(base.string() + ".head"));
    std::getline(head, request.requestLine);
    for (std::string line; std::getline(head, line);) {
        const size_t colon = line.find(": ");
        if (colon != std::string::npos) {
            request.headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
        }
    }
    request.body = ReadWholeFile(base.string() + ".body");
    std::istringstream form(ReadWholeFile(base.string() + ".form"));
    for (std::string name, value; form >> name >> value;) {
        request.form.emplace_back(FromHex(name), FromHex(value));
    }
    return request;
}

}  // namespace

const char* ServerKindName(ServerKind kind) {
    return Describe(kind).testName;
}

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& header : headers) {
        if (Lowercase(header.first) == Lowercase(name)) {
            return header.second;
        }
    }
    return "<none>";
}

ScriptedServer::~ScriptedServer() {
    Stop();
}

bool ScriptedServer::Start(ServerKind kind, std::string& problem) {
    const KindName& description = Describe(kind);
    tls_ = description.tls;
    std::string pattern = (fs::temp_directory_path() / "zep-web-server-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        problem = "cannot make a work directory";
        return false;
    }
    directory_ = pattern;
    int output[2];
    if (pipe(output) != 0) {
        problem = "cannot make a pipe";
        return false;
    }
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive a test that crashed
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        execl(ZEP_TEST_PYTHON, ZEP_TEST_PYTHON, ZEP_TEST_SERVER_SCRIPT, "--dir", directory_.c_str(),
              "--kind", description.name, "--openssl", ZEP_TEST_OPENSSL,
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    const std::string line = ReadLine(output[0], 30000);
    close(output[0]);
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word != "READY" || !(words >> address_ >> port_)) {
        problem = line.empty() ? "the test server did not start" : line;
        Stop();
        return false;
    }
    return true;
}

void ScriptedServer::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    if (!directory_.empty()) {
        std::error_code error;
        fs::remove_all(directory_, error);
        directory_.clear();
    }
}

std::string ScriptedServer::Host() const {
    return port_ == 80 ? address_ : address_ + ":" + std::to_string(port_);
}

std::string ScriptedServer::TrustedAuthoritiesFile() const {
    return tls_ ? (fs::path(directory_) / "ca.pem").string() : "";
}

void ScriptedServer::WriteFile(const std::string& name, const std::string& bytes) const {
    const fs::path part = fs::path(directory_) / (name + ".part");
    {
        std::ofstream file(part, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    fs::rename(part, fs::path(directory_) / name);
}

void ScriptedServer::Answer(const std::string& body, int status) {
    WriteFile("reply.body", body);
    WriteFile("reply.action", "answer " + std::to_string(status));
}

void ScriptedServer::AnswerThenStall(const std::string& body, size_t sent) {
    WriteFile("reply.body", body);
    WriteFile("reply.action", "stall " + std::to_string(sent));
}

void ScriptedServer::AnswerDripping(const std::string& body, int intervalMs) {
    WriteFile("reply.body", body);
    WriteFile("reply.action", "drip " + std::to_string(intervalMs));
}

void ScriptedServer::Hang() {
    WriteFile("reply.action", "hang");
}

void ScriptedServer::CloseWithoutAnswer() {
    WriteFile("reply.action", "close");
}

std::vector<RecordedRequest> ScriptedServer::Requests() const {
    std::vector<RecordedRequest> requests;
    for (int n = 1;; ++n) {
        const fs::path base = fs::path(directory_) / ("request-" + std::to_string(n));
        if (!fs::exists(base.string() + ".head")) {
            return requests;
        }
        requests.push_back(ParseRequest(base));
    }
}

int UnusedLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

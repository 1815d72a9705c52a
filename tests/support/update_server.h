#pragma once
// Test helpers for the updater: a signing key pair, a self-signed certificate for 127.0.0.1,
// an HTTPS (or plain HTTP) file server started and stopped by the test, and signed update lists.
// Everything here uses the openssl and python3 programs, not the code under test.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace updatetest {

namespace fs = std::filesystem;

inline std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

inline std::string ShellOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The keyed fingerprint of `bytes` as computed by the openssl program (uppercase hex).
inline std::string OpensslFingerprint(const fs::path& scratch, const std::string& bytes) {
    const fs::path file = scratch / "fingerprint.in";
    WriteFile(file, bytes);
    std::string hex = ShellOutput("openssl dgst -md5 -mac HMAC -macopt key:QZRT -r " + Quote(file.string()));
    hex = hex.substr(0, hex.find(' '));
    for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return hex;
}

// SHA-256 of `bytes` by the openssl program (lowercase hex).
inline std::string OpensslSha256(const fs::path& scratch, const std::string& bytes) {
    const fs::path file = scratch / "sha.in";
    WriteFile(file, bytes);
    const std::string out = ShellOutput("openssl dgst -sha256 -r " + Quote(file.string()));
    return out.substr(0, out.find(' '));
}

// An Ed25519 key pair in `dir`: private.pem and public.pem.
struct KeyPair {
    fs::path privateKey, publicKey;
};
inline KeyPair MakeKeyPair(const fs::path& dir, const std::string& stem = "signing") {
    fs::create_directories(dir);
    KeyPair keys{dir / (stem + "-private.pem"), dir / (stem + "-public.pem")};
    Shell("openssl genpkey -algorithm ed25519 -out " + Quote(keys.privateKey.string()));
    Shell("openssl pkey -in " + Quote(keys.privateKey.string()) + " -pubout -out " + Quote(keys.publicKey.string()));
    return keys;
}

// Signs `list` with scripts/sign-update-list, writing `list`.sig.
inline bool SignList(const fs::path& privateKey, const fs::path& list) {
    return Shell(Quote(std::string(LUMARET_SOURCE_DIR) + "/scripts/sign-update-list") + " " +
                 Quote(privateKey.string()) + " " + Quote(list.string()));
}

// A self-signed certificate for 127.0.0.1 in `dir`: cert.pem and key.pem.
inline bool MakeCertificate(const fs::path& dir) {
    fs::create_directories(dir);
    return Shell("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=127.0.0.1"
                 " -addext subjectAltName=IP:127.0.0.1 -keyout " +
                 Quote((dir / "key.pem").string()) + " -out " + Quote((dir / "cert.pem").string()));
}

// Serves `root` on 127.0.0.1 until destroyed. Url() is empty when the server did not start.
class TestServer {
public:
    TestServer(const fs::path& root, const fs::path& certDir, bool plain = false) {
        const fs::path portFile = certDir / (plain ? "port-plain" : "port-tls");
        fs::remove(portFile);
        const std::string script = std::string(LUMARET_SOURCE_DIR) + "/tests/support/https_server.py";
        const std::string cert = (certDir / "cert.pem").string(), key = (certDir / "key.pem").string();
        const std::string rootText = root.string(), portText = portFile.string();
        m_pid = ::fork();
        if (m_pid == 0) {
            if (plain)
                ::execlp("python3", "python3", script.c_str(), "--plain", rootText.c_str(), cert.c_str(), key.c_str(),
                         portText.c_str(), static_cast<char*>(nullptr));
            else
                ::execlp("python3", "python3", script.c_str(), rootText.c_str(), cert.c_str(), key.c_str(),
                         portText.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Waits for the port file (the server writes it once it listens), or for the server to die.
        for (int i = 0; i < 600 && m_pid > 0; ++i) {
            if (fs::exists(portFile)) {
                m_url = std::string(plain ? "http" : "https") + "://127.0.0.1:" + ReadFile(portFile) + "/";
                return;
            }
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~TestServer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;
    const std::string& Url() const { return m_url; }

private:
    pid_t m_pid = -1;
    std::string m_url;
};

// One line of an update list for a file with this content.
inline std::string ListLine(const fs::path& scratch, const std::string& name, const std::string& local,
                            const std::string& version, const std::string& content, const std::string& options = {},
                            bool withSha = false) {
    std::string line = name;
    for (const std::string& field : {local, version, OpensslFingerprint(scratch, content), options}) {
        line += '|';
        line += field;
    }
    if (withSha) {
        line += '|';
        line += OpensslSha256(scratch, content);
    }
    line += "\r\n";
    return line;
}

}  // namespace updatetest

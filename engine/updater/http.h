#pragma once
// The small HTTP interface the updater fetches through; libcurl in the program, fakes in tests.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace updater {

struct HttpResult {
    enum class Outcome {
        Ok,         // a 2xx answer whose body was delivered
        NotOk,      // the server answered with another status; nothing was delivered
        Failed,     // no answer: connection, certificate, size limit, timeout, refused scheme
        Cancelled,  // the body sink asked to stop
    };
    Outcome outcome = Outcome::Failed;
    long status = 0;
    std::string error;  // for Failed: what went wrong
};

// Receives the body in blocks; returns false to stop the transfer.
using BodySink = std::function<bool(std::span<const uint8_t> block)>;
// Told the bytes received so far and the expected total (0 when unknown), also while waiting
// for the server; returns false to stop the transfer.
using ProgressSink = std::function<bool(uint64_t received, uint64_t total)>;

class IHttpClient {
public:
    virtual ~IHttpClient() = default;
    // GETs `path` below the server's base address, refusing bodies longer than `maxBytes`.
    virtual HttpResult Get(const std::string& path, uint64_t maxBytes, const BodySink& body,
                           const ProgressSink& progress) = 0;
};

struct HttpsSettings {
    std::string baseUrl;        // "https://host[:port]/" under which update/... is found
    std::string extraCaFile;    // a PEM file of a certificate to trust besides the system's
    long connectTimeoutSeconds = 30;
    long lowSpeedSeconds = 60;  // give up when under 1 byte/s for this long
};

// The libcurl client: HTTPS only (also for redirects), certificates checked, user agent
// "Lumaret updater", no caching. A base address that is not https:// fails every request.
std::unique_ptr<IHttpClient> MakeHttpsClient(const HttpsSettings& settings);

}  // namespace updater

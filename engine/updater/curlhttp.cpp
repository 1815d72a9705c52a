// libcurl behind IHttpClient.
#include <curl/curl.h>

#include <mutex>

#include "updater/http.h"

namespace updater {
namespace {

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool StartsWithHttps(const std::string& url) {
    if (url.size() < 8) return false;
    std::string scheme = url.substr(0, 8);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme == "https://";
}

struct Transfer {
    const BodySink* body = nullptr;
    const ProgressSink* progress = nullptr;
    uint64_t maxBytes = 0;
    uint64_t received = 0;
    uint64_t expected = 0;
    bool tooLarge = false;
    bool cancelled = false;
    bool statusOk = false;
    CURL* curl = nullptr;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (!t.statusOk) {
        long status = 0;
        curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
        if (status < 200 || status > 299) return bytes;  // an error page: read and drop it
        t.statusOk = true;
        curl_off_t length = -1;
        if (curl_easy_getinfo(t.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0)
            t.expected = static_cast<uint64_t>(length);
    }
    if (t.received + bytes > t.maxBytes) {
        t.tooLarge = true;
        return 0;  // ends the transfer with a write error
    }
    t.received += bytes;
    if (!(*t.body)({reinterpret_cast<const uint8_t*>(data), bytes})) {
        t.cancelled = true;
        return 0;
    }
    return bytes;
}

// Called by libcurl several times a second, also while resolving and connecting, so a
// cancelled transfer ends without waiting for the network.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(user);
    if (*t.progress && !(*t.progress)(t.received, t.expected)) {
        t.cancelled = true;
        return 1;
    }
    return 0;
}

class CCurlClient final : public IHttpClient {
public:
    explicit CCurlClient(HttpsSettings settings) : m_settings(std::move(settings)) { GlobalInitOnce(); }

    HttpResult Get(const std::string& path, uint64_t maxBytes, const BodySink& body,
                   const ProgressSink& progress) override {
        HttpResult result;
        if (!StartsWithHttps(m_settings.baseUrl)) {
            result.error = "The update server must be reached over https: '" + m_settings.baseUrl + "'";
            return result;
        }
        std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
        if (!curl) {
            result.error = "Cannot start the network library.";
            return result;
        }
        std::string url = m_settings.baseUrl;
        if (url.back() != '/') url += '/';
        url += path;

        std::unique_ptr<curl_slist, SlistDeleter> headers;
        for (const char* header : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"}) {
            curl_slist* grown = curl_slist_append(headers.get(), header);
            if (!grown) {
                result.error = "Out of memory.";
                return result;
            }
            headers.release();
            headers.reset(grown);
        }

        Transfer transfer;
        transfer.body = &body;
        transfer.progress = &progress;
        transfer.maxBytes = maxBytes;
        transfer.curl = curl.get();
        char errorBuffer[CURL_ERROR_SIZE] = {};
        CURL* c = curl.get();
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
        curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https");
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(c, CURLOPT_USERAGENT, "Lumaret updater");
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, m_settings.connectTimeoutSeconds);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, m_settings.lowSpeedSeconds);
        curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
        if (!m_settings.extraCaFile.empty()) {
            // The extra certificate is trusted beside the system store, not instead of it.
            curl_easy_setopt(c, CURLOPT_CAINFO, m_settings.extraCaFile.c_str());
            curl_easy_setopt(c, CURLOPT_CAPATH, "/etc/ssl/certs");
        }

        const CURLcode code = curl_easy_perform(c);
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
        if (transfer.cancelled) {
            result.outcome = HttpResult::Outcome::Cancelled;
            return result;
        }
        if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
            result.error = "The server sent more than " + std::to_string(maxBytes) + " bytes for '" + path + "'.";
            return result;
        }
        if (code != CURLE_OK) {
            result.error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
            return result;
        }
        result.outcome = result.status >= 200 && result.status <= 299 ? HttpResult::Outcome::Ok
                                                                      : HttpResult::Outcome::NotOk;
        return result;
    }

private:
    HttpsSettings m_settings;
};

}  // namespace

std::unique_ptr<IHttpClient> MakeHttpsClient(const HttpsSettings& settings) {
    return std::make_unique<CCurlClient>(settings);
}

}  // namespace updater

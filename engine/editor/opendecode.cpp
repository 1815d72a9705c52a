#include "editor/opendecode.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "codec/jpegcodec.h"
#include "geometry/orient.h"

namespace {

// Rows handed to the second thread at once: enough that a quarter turn writes whole cache
// lines of each destination row, few enough that it trails the decoder closely.
constexpr int kBandRows = 32;

// The rows decoded so far, passed from the decoding thread to the one that follows it.
class CRowGate {
public:
    void Publish(int rows, bool finished) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_rows = rows;
            m_finished = m_finished || finished;
        }
        m_ready.notify_one();
    }
    // Waits for at least kBandRows rows past `done`, or the end; false when nothing is left.
    bool Next(int done, int& rows) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [&] { return m_finished || m_rows - done >= kBandRows; });
        rows = m_rows;
        return rows > done;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    int m_rows = 0;
    bool m_finished = false;
};

}  // namespace

int DecodeUpright(const ImagePlane& decoded, const ImagePlane& upright, int orientation,
                  CHistogramCounter& counter) {
    auto follow = [&](int32_t y0, int32_t y1) {
        if (upright.data) geometry::OrientRows(decoded, upright, orientation, y0, y1);
        counter.CountRows(decoded, y0, y1);
    };
    CRowGate gate;
    std::thread follower;
    try {
        follower = std::thread([&] {
            int done = 0, rows = 0;
            while (gate.Next(done, rows)) {
                follow(done, rows);
                done = rows;
            }
        });
    } catch (const std::system_error&) {
        // No second thread to be had: decode first, then do the rest here.
        const int result = readJPEGfile(decoded.data, 1);
        follow(0, decoded.height);
        return result;
    }
    const int result = readJPEGfile(decoded.data, 1, [&](int rows) { gate.Publish(rows, false); });
    // A failed decode stops early; the remaining rows are taken as they stand.
    gate.Publish(decoded.height, true);
    follower.join();
    return result;
}

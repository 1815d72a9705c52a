// The one file that talks to libgphoto2: its objects are held by RAII handles and its
// results turned into CameraError values here.
#include "download/camera.h"

#include <gphoto2/gphoto2-abilities-list.h>
#include <gphoto2/gphoto2-camera.h>
#include <gphoto2/gphoto2-context.h>
#include <gphoto2/gphoto2-file.h>
#include <gphoto2/gphoto2-list.h>
#include <gphoto2/gphoto2-port-info-list.h>
#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <set>
#include <thread>

namespace {

struct ContextFree {
    void operator()(GPContext* p) const { gp_context_unref(p); }
};
struct ListFree {
    void operator()(CameraList* p) const { gp_list_unref(p); }
};
struct AbilitiesFree {
    void operator()(CameraAbilitiesList* p) const { gp_abilities_list_free(p); }
};
struct PortsFree {
    void operator()(GPPortInfoList* p) const { gp_port_info_list_free(p); }
};
struct FileFree {
    void operator()(CameraFile* p) const { gp_file_unref(p); }
};
// Closes the camera's connection before giving it back.
struct CameraFree {
    GPContext* context = nullptr;
    void operator()(Camera* p) const {
        gp_camera_exit(p, context);
        gp_camera_unref(p);
    }
};
using ContextPtr = std::unique_ptr<GPContext, ContextFree>;
using ListPtr = std::unique_ptr<CameraList, ListFree>;
using FilePtr = std::unique_ptr<CameraFile, FileFree>;

ListPtr NewList() {
    CameraList* list = nullptr;
    return ListPtr(gp_list_new(&list) >= GP_OK ? list : nullptr);
}

std::string ResultText(int result) {
    const char* text = gp_result_as_string(result);
    return std::string(text ? text : "error") + " (" + std::to_string(result) + ")";
}

bool IsBusy(int result) {
    return result == GP_ERROR_IO_USB_CLAIM || result == GP_ERROR_IO_LOCK || result == GP_ERROR_CAMERA_BUSY;
}

// What the context callbacks read and write during one operation.
struct Feedback {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(float)> progress;
    float target = 0;
};

GPContextFeedback CancelCallback(GPContext*, void* data) {
    const auto* f = static_cast<const Feedback*>(data);
    return f->cancel && f->cancel->load() ? GP_CONTEXT_FEEDBACK_CANCEL : GP_CONTEXT_FEEDBACK_OK;
}

unsigned int ProgressStart(GPContext*, float target, const char*, void* data) {
    static_cast<Feedback*>(data)->target = target;
    return 1;
}

void ProgressUpdate(GPContext*, unsigned int, float current, void* data) {
    auto* f = static_cast<Feedback*>(data);
    if (f->progress && f->target > 0) f->progress(current / f->target);
}

void ProgressStop(GPContext*, unsigned int, void*) {}

// libgphoto2's port drivers keep small blocks from loading and from their device search
// that they never free; the leak checker of sanitizer builds is paused around such calls so that it
// reports only this program's own leaks.
class LibraryLeaksIgnored {
public:
#if defined(__SANITIZE_ADDRESS__)
    LibraryLeaksIgnored() { __lsan_disable(); }
    ~LibraryLeaksIgnored() { __lsan_enable(); }
#else
    LibraryLeaksIgnored() {}
#endif
    LibraryLeaksIgnored(const LibraryLeaksIgnored&) = delete;
    LibraryLeaksIgnored& operator=(const LibraryLeaksIgnored&) = delete;
};

}  // namespace

std::vector<CameraId> ParseCameraList(const std::string& text) {
    std::vector<CameraId> cameras;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string entry = text.substr(start, end - start);
        const size_t at = entry.rfind('@');
        if (at != std::string::npos && at > 0 && at + 1 < entry.size())
            cameras.push_back({entry.substr(0, at), entry.substr(at + 1)});
        start = end + 1;
    }
    return cameras;
}

std::vector<CameraId> MergeCameraLists(const std::vector<CameraId>& found, const std::vector<CameraId>& extra) {
    std::vector<CameraId> cameras;
    std::set<std::string> ports;
    auto add = [&](const CameraId& id) {
        if (cameras.size() < kMaxCameras && ports.insert(id.port).second) cameras.push_back(id);
    };
    for (const CameraId& id : found)
        if (id.port.rfind("disk:", 0) != 0) add(id);
    for (const CameraId& id : extra) add(id);
    return cameras;
}

std::vector<CameraId> EnumerateCameras(const std::string& extra) {
    std::vector<CameraId> found;
    ContextPtr context(gp_context_new());
    ListPtr list = NewList();
    int detected = GP_ERROR;
    if (context && list) {
        const LibraryLeaksIgnored ignored;
        detected = gp_camera_autodetect(list.get(), context.get());
    }
    if (detected >= GP_OK) {
        const int count = gp_list_count(list.get());
        for (int i = 0; i < count; ++i) {
            const char* name = nullptr;
            const char* value = nullptr;
            if (gp_list_get_name(list.get(), i, &name) >= GP_OK && gp_list_get_value(list.get(), i, &value) >= GP_OK &&
                name && value)
                found.push_back({name, value});
        }
    }
    return MergeCameraLists(found, ParseCameraList(extra));
}

CameraItem CameraItemFromPath(const std::string& path) {
    CameraItem item;
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        item.folder = "/";
        item.name = path;
    } else {
        item.folder = slash == 0 ? "/" : path.substr(0, slash);
        item.name = path.substr(slash + 1);
    }
    return item;
}

// The worker thread and the camera it owns. Jobs run one at a time, in order.
struct CCameraSession::Impl {
    ContextPtr context{gp_context_new()};
    std::unique_ptr<Camera, CameraFree> camera;
    Feedback feedback;

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    std::thread thread;

    Impl() {
        if (context) {
            gp_context_set_cancel_func(context.get(), CancelCallback, &feedback);
            gp_context_set_progress_funcs(context.get(), ProgressStart, ProgressUpdate, ProgressStop, &feedback);
        }
        thread = std::thread([this] { Loop(); });
    }
    ~Impl() {
        // The camera is closed on its own thread, like every other call on it.
        Run([this] { camera.reset(); });
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }
    void Loop() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return stopping || !jobs.empty(); });
                if (jobs.empty()) return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            job();
        }
    }
    // Runs `job` on the worker thread and waits for it. A job asked for from the worker
    // itself (a listing callback fetching a preview) runs at once.
    template <class F>
    auto Run(F job) -> decltype(job()) {
        if (std::this_thread::get_id() == thread.get_id()) return job();
        std::packaged_task<decltype(job())()> task(std::move(job));
        auto result = task.get_future();
        {
            std::lock_guard lock(mutex);
            jobs.emplace_back([&task] { task(); });
        }
        wake.notify_all();
        return result.get();
    }

    int OpenCamera(const CameraId& id, std::string& error) {
        if (!context) {
            error = "cannot start libgphoto2";
            return GP_ERROR;
        }
        CameraAbilitiesList* abilitiesRaw = nullptr;
        GPPortInfoList* portsRaw = nullptr;
        if (gp_abilities_list_new(&abilitiesRaw) < GP_OK || gp_port_info_list_new(&portsRaw) < GP_OK) {
            if (abilitiesRaw) gp_abilities_list_free(abilitiesRaw);
            error = "cannot start libgphoto2";
            return GP_ERROR;
        }
        std::unique_ptr<CameraAbilitiesList, AbilitiesFree> abilities(abilitiesRaw);
        std::unique_ptr<GPPortInfoList, PortsFree> ports(portsRaw);
        int r = GP_OK;
        {
            const LibraryLeaksIgnored ignored;
            r = gp_abilities_list_load(abilities.get(), context.get());
            if (r >= GP_OK) r = gp_port_info_list_load(ports.get());
        }
        if (r < GP_OK) {
            error = "cannot load the camera drivers: " + ResultText(r);
            return r;
        }
        const int model = gp_abilities_list_lookup_model(abilities.get(), id.model.c_str());
        if (model < GP_OK) {
            error = "unknown camera model '" + id.model + "'";
            return model;
        }
        const int port = gp_port_info_list_lookup_path(ports.get(), id.port.c_str());
        if (port < GP_OK) {
            error = "unknown port '" + id.port + "'";
            return port;
        }
        CameraAbilities ability{};
        GPPortInfo info = nullptr;
        Camera* raw = nullptr;
        if ((r = gp_abilities_list_get_abilities(abilities.get(), model, &ability)) < GP_OK ||
            (r = gp_port_info_list_get_info(ports.get(), port, &info)) < GP_OK || (r = gp_camera_new(&raw)) < GP_OK) {
            error = ResultText(r);
            return r;
        }
        std::unique_ptr<Camera, CameraFree> cam(raw, CameraFree{context.get()});
        if ((r = gp_camera_set_abilities(raw, ability)) < GP_OK || (r = gp_camera_set_port_info(raw, info)) < GP_OK ||
            (r = gp_camera_init(raw, context.get())) < GP_OK) {
            error = ResultText(r);
            // gp_camera_exit on a camera that did not start is harmless.
            return r;
        }
        camera = std::move(cam);
        return GP_OK;
    }

    CameraError Fail(int result, const std::string& what, std::string& error) {
        if (result == GP_ERROR_CANCEL) {
            error = "cancelled";
            return CameraError::Cancelled;
        }
        error = what + ": " + ResultText(result);
        return IsBusy(result) ? CameraError::Busy : CameraError::Io;
    }

    CameraError Walk(const std::string& folder, std::vector<CameraItem>& files, std::string& error,
                     const std::function<bool(const CameraItem&)>& onFile, int depth) {
        // Deep nesting on a device is a broken or hostile listing, not pictures.
        if (depth > 64) return CameraError::None;
        ListPtr list = NewList();
        if (!list) return Fail(GP_ERROR_NO_MEMORY, "listing " + folder, error);
        int r = gp_camera_folder_list_files(camera.get(), folder.c_str(), list.get(), context.get());
        if (r < GP_OK) return Fail(r, "listing " + folder, error);
        for (int i = 0, n = gp_list_count(list.get()); i < n; ++i) {
            const char* name = nullptr;
            if (gp_list_get_name(list.get(), i, &name) < GP_OK || !name) continue;
            CameraItem item;
            item.folder = folder;
            item.name = name;
            CameraFileInfo info{};
            if (gp_camera_file_get_info(camera.get(), folder.c_str(), name, &info, context.get()) >= GP_OK) {
                if (info.file.fields & GP_FILE_INFO_SIZE) item.size = info.file.size;
                if (info.file.fields & GP_FILE_INFO_MTIME) item.time = info.file.mtime;
                if (info.file.fields & GP_FILE_INFO_WIDTH) item.width = info.file.width;
                if (info.file.fields & GP_FILE_INFO_HEIGHT) item.height = info.file.height;
            }
            files.push_back(item);
            if (onFile && !onFile(item)) {
                error = "cancelled";
                return CameraError::Cancelled;
            }
        }
        gp_list_reset(list.get());
        r = gp_camera_folder_list_folders(camera.get(), folder.c_str(), list.get(), context.get());
        if (r < GP_OK) return Fail(r, "listing " + folder, error);
        std::vector<std::string> subfolders;
        for (int i = 0, n = gp_list_count(list.get()); i < n; ++i) {
            const char* name = nullptr;
            if (gp_list_get_name(list.get(), i, &name) >= GP_OK && name && *name)
                subfolders.push_back(folder == "/" ? "/" + std::string(name) : folder + "/" + name);
        }
        for (const std::string& sub : subfolders)
            if (CameraError e = Walk(sub, files, error, onFile, depth + 1); e != CameraError::None) return e;
        return CameraError::None;
    }
};

CCameraSession::CCameraSession(CameraId id) : m_id(std::move(id)), m_impl(std::make_unique<Impl>()) {}

CCameraSession::~CCameraSession() = default;

std::unique_ptr<CCameraSession> CCameraSession::Open(const CameraId& id, std::string& error, CameraError* why,
                                                     int busyRetries) {
    std::unique_ptr<CCameraSession> session(new CCameraSession(id));
    for (int attempt = 0;; ++attempt) {
        const int r = session->m_impl->Run([&] { return session->m_impl->OpenCamera(id, error); });
        if (r >= GP_OK) return session;
        if (!IsBusy(r) || attempt >= busyRetries) {
            if (IsBusy(r))
                error = "the camera is in use by another program; unmount it in the file manager and try again (" +
                        error + ")";
            if (why) *why = IsBusy(r) ? CameraError::Busy : CameraError::OpenFailed;
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
}

CameraError CCameraSession::List(std::vector<CameraItem>& files, std::string& error,
                                 const std::function<bool(const CameraItem&)>& onFile) {
    files.clear();
    return m_impl->Run([&] { return m_impl->Walk("/", files, error, onFile, 0); });
}

CameraError CCameraSession::Preview(const CameraItem& file, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    return m_impl->Run([&] {
        CameraFile* raw = nullptr;
        if (gp_file_new(&raw) < GP_OK) return m_impl->Fail(GP_ERROR_NO_MEMORY, "preview", error);
        FilePtr gfile(raw);
        const int r = gp_camera_file_get(m_impl->camera.get(), file.folder.c_str(), file.name.c_str(),
                                         GP_FILE_TYPE_PREVIEW, raw, m_impl->context.get());
        // No preview is not an error: the caller falls back to the picture's own thumbnail.
        if (r < GP_OK) return r == GP_ERROR_NOT_SUPPORTED ? CameraError::None : m_impl->Fail(r, "preview", error);
        const char* data = nullptr;
        unsigned long size = 0;
        if (gp_file_get_data_and_size(raw, &data, &size) >= GP_OK && data)
            bytes.assign(reinterpret_cast<const uint8_t*>(data), reinterpret_cast<const uint8_t*>(data) + size);
        return CameraError::None;
    });
}

CameraError CCameraSession::ReadHead(const CameraItem& file, size_t maxBytes, std::vector<uint8_t>& bytes,
                                     std::string& error) {
    bytes.assign(maxBytes, 0);
    return m_impl->Run([&] {
        uint64_t size = maxBytes;
        const int r = gp_camera_file_read(m_impl->camera.get(), file.folder.c_str(), file.name.c_str(),
                                          GP_FILE_TYPE_NORMAL, 0, reinterpret_cast<char*>(bytes.data()), &size,
                                          m_impl->context.get());
        if (r < GP_OK) {
            bytes.clear();
            return m_impl->Fail(r, "read", error);
        }
        bytes.resize(std::min<uint64_t>(size, maxBytes));
        return CameraError::None;
    });
}

CameraError CCameraSession::Download(const CameraItem& file, int fd, std::string& error,
                                     const std::atomic<bool>* cancel, const std::function<void(float)>& progress) {
    return m_impl->Run([&] {
        m_impl->feedback.cancel = cancel;
        m_impl->feedback.progress = progress;
        // The file made from a descriptor closes it when released; ours must stay open.
        const int copy = ::dup(fd);
        CameraFile* raw = nullptr;
        CameraError result = CameraError::None;
        if (copy < 0 || gp_file_new_from_fd(&raw, copy) < GP_OK) {
            if (copy >= 0) ::close(copy);
            result = m_impl->Fail(GP_ERROR_NO_MEMORY, "transfer", error);
        } else {
            FilePtr gfile(raw);
            const int r = gp_camera_file_get(m_impl->camera.get(), file.folder.c_str(), file.name.c_str(),
                                             GP_FILE_TYPE_NORMAL, raw, m_impl->context.get());
            if (r < GP_OK) result = m_impl->Fail(r, "transfer", error);
        }
        m_impl->feedback = Feedback{};
        return result;
    });
}

CameraError CCameraSession::Delete(const CameraItem& file, std::string& error) {
    return m_impl->Run([&] {
        const int r = gp_camera_file_delete(m_impl->camera.get(), file.folder.c_str(), file.name.c_str(),
                                            m_impl->context.get());
        return r < GP_OK ? m_impl->Fail(r, "delete", error) : CameraError::None;
    });
}

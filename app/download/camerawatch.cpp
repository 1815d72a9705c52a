#include "download/camerawatch.h"

CCameraWatch::CCameraWatch(QObject* parent) : CCameraWatch(CWia::Options{}, parent) {}

CCameraWatch::CCameraWatch(CWia::Options options, QObject* parent) : QObject(parent) {
    m_wia = std::make_unique<CWia>(std::move(options));
    // The follower thread hears of changes; the tree and document are told on this thread.
    m_wia->Follow([this](const CHint& hint) {
        QMetaObject::invokeMethod(this, [this, hint] { Deliver(hint); }, Qt::QueuedConnection);
    });
}

CCameraWatch::~CCameraWatch() { m_wia.reset(); }

QString CCameraWatch::NameOf(int slot) const {
    const std::optional<CameraId> id = m_wia->Slot(slot);
    return id ? QString::fromStdString(id->model) : QString();
}

int CCameraWatch::FirstSlot() const {
    const auto cameras = m_wia->Cameras();
    return cameras.empty() ? -1 : cameras.front().first;
}

void CCameraWatch::Deliver(const CHint& hint) {
    if (hint.mode == CHint::kCameraArrived) {
        // A camera that came and went again before this ran has no name any more.
        const QString name = NameOf(hint.cameraSlot);
        if (!name.isEmpty()) emit Arrived(hint.cameraSlot, name);
    } else if (hint.mode == CHint::kCameraGone) {
        emit Gone(hint.cameraSlot, hint);
    }
}

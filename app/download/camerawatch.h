#pragma once
// CCameraWatch: the connected cameras of one browser window. It keeps the camera table
// (CWia) up to date and reports arrivals and departures on the window thread.
#include <QObject>
#include <QString>
#include <memory>

#include "browser/hint.h"
#include "download/wia.h"

class CCameraWatch : public QObject {
    Q_OBJECT
public:
    // Enumerates the cameras now (LUMARET_CAMERAS adds test cameras) and follows changes.
    explicit CCameraWatch(QObject* parent = nullptr);
    // A watch over a given camera table (tests): `options` as CWia takes them.
    CCameraWatch(CWia::Options options, QObject* parent);
    // Stops following before the table goes.
    ~CCameraWatch() override;

    CWia& Table() { return *m_wia; }
    // The name shown for a camera slot (its model), empty for a free slot.
    QString NameOf(int slot) const;
    // The slot of the first camera, or -1.
    int FirstSlot() const;

signals:
    // A camera took `slot`.
    void Arrived(int slot, const QString& name);
    // The camera of `slot` went; `hint` is the camera-gone hint for the document.
    void Gone(int slot, const CHint& hint);

private:
    void Deliver(const CHint& hint);

    std::unique_ptr<CWia> m_wia;
};

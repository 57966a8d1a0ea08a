#pragma once

#include <QDBusContext>
#include <QObject>
#include <QPoint>
#include <mutex>
#include <optional>

namespace varnic {

// Where a KWin script says the pointer is. Lives on a thread of its own, so
// that the report arrives while the main thread waits for it.
class KWinPointerReport : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.varnic.KWinPointer")

  public:
    static constexpr const char* path = "/io/github/varnic/KWinPointer";
    static constexpr const char* interface = "io.github.varnic.KWinPointer";

    // Forgets the last report; only the next one from kwinOwner counts.
    void expect(const QString& kwinOwner);
    std::optional<QPoint> take();

  public slots:
    Q_NOREPLY void Pointer(int x, int y);

  private:
    std::mutex mutex_;
    QString kwinOwner_;
    std::optional<QPoint> position_;
};

}  // namespace varnic

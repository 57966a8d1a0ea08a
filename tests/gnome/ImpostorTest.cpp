// The GNOME backend against impostors on a private session bus: an extension
// that answers with wrong types, absurd values and silence, and a shell that
// does not know the extension yet.
#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <functional>
#include <optional>

#include "platform/gnome/ExtensionBus.h"
#include "platform/gnome/GnomeWindowSystem.h"

namespace varnic {
namespace {

struct Window {
    qulonglong id;
    int pid;
    QString text;  // its application and title
    QRect frame;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Window& window) {
    argument.beginStructure();
    argument << window.id << window.pid << window.text << window.text << window.frame << true
             << true << false;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Window&) {
    return argument;
}

// Answers every call with what the test put in `reply` (nothing: no answer),
// under a bus name of its own. Varnic's calls block the main thread, so it
// answers from another.
class Impostor : public QDBusVirtualObject {
  public:
    Impostor(const QString& name, const QString& path) {
        thread_.start();
        moveToThread(&thread_);
        bus.registerVirtualObject(path, this);
        registered = bus.registerService(name);
    }
    ~Impostor() override {
        QDBusConnection::disconnectFromBus(bus.name());
        thread_.quit();
        thread_.wait();
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (!reply) return false;
        if (auto arguments = reply(message)) connection.send(message.createReply(*arguments));
        return true;
    }

    std::function<std::optional<QVariantList>(const QDBusMessage&)> reply;
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("impostor"));
    bool registered = false;

  private:
    QThread thread_;
};

void emitWindows(QDBusConnection bus, const QVariant& list) {
    auto signal = QDBusMessage::createSignal(gnome::extensionPath, gnome::extensionInterface,
                                             QStringLiteral("WindowsChanged"));
    signal << list;
    bus.send(signal);
}

TEST(HostileExtensionTest, WrongShapesAbsurdValuesOtherSendersAndSilenceAreSurvived) {
    qDBusRegisterMetaType<Window>();
    qDBusRegisterMetaType<QList<Window>>();
    Impostor impostor(gnome::extensionName, gnome::extensionPath);
    ASSERT_TRUE(impostor.registered);
    // Made once the impostor owns the name, as when the shell runs before Varnic.
    GnomeWindowSystem system(QDBusConnection::sessionBus(), QString());
    impostor.reply = [](const QDBusMessage&) {
        return QVariantList{QStringLiteral("not a window list")};
    };
    EXPECT_FALSE(system.isProcessTrusted()) << "a reply of another shape is refused whole";
    EXPECT_FALSE(system.copyWindowList());

    // Twice the longest title kept (an application names its window at will).
    const QString huge(1 << 17, QLatin1Char('x'));
    std::atomic<bool> silent = false;
    impostor.reply = [&](const QDBusMessage& message) -> std::optional<QVariantList> {
        if (message.member() == QLatin1String("ListWindows")) {
            return QVariantList{QVariant::fromValue(QList<Window>{
                {7, -5, {}, QRect(0, 0, -10, -10)}, {8, ::getpid(), huge, QRect(0, 0, 500, 400)}})};
        }
        // A resize answered with a frame of the wrong shape, or not at all.
        if (silent) return std::nullopt;
        return QVariantList{1, 2};
    };
    ASSERT_TRUE(system.isProcessTrusted());
    const auto list = system.copyWindowList();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 1u) << "the frame without a size is not on screen";
    EXPECT_EQ(list->front().windowName->size(), 65536u);

    auto application = system.createApplication(::getpid());
    system.setMessagingTimeout(*application, 0.3f);
    auto window = system.copyAttributeValue(*application, attr::focusedWindow);
    ASSERT_TRUE(window.element());
    const auto resize = [&] {
        return system
            .setAttributeValue(*window.element(), attr::size, *system.createSizeValue(800, 600))
            .code;
    };
    EXPECT_EQ(resize(), ax::cannotComplete);
    silent = true;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(resize(), ax::cannotComplete);
    EXPECT_LT(clock.elapsed(), 1000) << "silence costs the messaging timeout only";

    // Anyone else on the bus may send the same signal; only the name's owner counts.
    auto other =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
    emitWindows(other, QVariant::fromValue(QList<Window>{}));
    emitWindows(impostor.bus, QStringLiteral("wrong"));
    emitWindows(impostor.bus,
                QVariant::fromValue(QList<Window>{{9, ::getpid(), {}, QRect(0, 0, 300, 200)}}));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto now = system.copyWindowList();
        return now && now->size() == 1 && now->front().windowNumber == 9;
    }));
    QDBusConnection::disconnectFromBus(other.name());
}

// The shell does not know the extension (installed after login, or not at
// all): the button installs the variant for the running shell's format.
TEST(ExtensionInstallerTest, InstallsTheVariantThatFitsTheShellForTheUser) {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    Impostor shell(gnome::shellName, gnome::shellPath);
    ASSERT_TRUE(shell.registered);
    shell.reply = [](const QDBusMessage& message) -> std::optional<QVariantList> {
        if (message.member() == QLatin1String("Get"))
            return QVariantList{QVariant::fromValue(QDBusVariant(QStringLiteral("48.7")))};
        return QVariantList{QVariant::fromValue(QVariantMap{})};  // GetExtensionInfo: unknown
    };

    ExtensionInstaller installer(QDBusConnection::sessionBus(),
                                 QStringLiteral(VARNIC_EXTENSION_BUILD_DIR));
    EXPECT_EQ(installer.installAndEnable(), ExtensionInstaller::Outcome::nextLogin);
    QFile script(data.filePath(QStringLiteral("gnome-shell/extensions/") + gnome::extensionUuid +
                               QStringLiteral("/extension.js")));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    EXPECT_TRUE(script.readAll().contains("export default class"));
}

}  // namespace
}  // namespace varnic

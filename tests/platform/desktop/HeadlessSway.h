#pragma once

// The real sway, headless with one output, for the tests of the Wayland backends. sway refuses to
// run as root: the superuser runs it as nobody, so the scratch folder is open to everyone.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <unistd.h>

class THeadlessSway {
public:
    // Starts sway with the given configuration text in `scratch` and waits for its command socket.
    void Start(const QString& scratch, const QByteArray& configuration) {
        QVERIFY2(!QStandardPaths::findExecutable("sway").isEmpty(), "sway is not installed (scripts/setup)");
        const bool root = geteuid() == 0;
        QFile::setPermissions(scratch, QFileDevice::Permissions(0x7777));
        m_runtime = scratch + "/runtime";
        QDir().mkpath(m_runtime);
        if (root)
            QCOMPARE(chown(QFile::encodeName(m_runtime).constData(), 65534, 65534), 0);
        const QString config = scratch + "/config";
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(configuration);
        file.close();
        file.setPermissions(QFileDevice::Permissions(0x6666));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", m_runtime);
        environment.insert("WLR_BACKENDS", "headless");
        environment.insert("WLR_HEADLESS_OUTPUTS", "1");
        environment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
        environment.insert("WLR_RENDERER", "pixman");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("DISPLAY");
        m_sway.setProcessEnvironment(environment);
        QStringList command{"sway", "-c", config};
        if (root)
            command = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
        m_sway.start(command.takeFirst(), command);
        QVERIFY(m_sway.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!Socket("sway-ipc.*").isEmpty() && !Socket("wayland-*").isEmpty(), 20000);
    }
    ~THeadlessSway() {
        m_sway.terminate();
        if (!m_sway.waitForFinished(5000))
            m_sway.kill();
    }

    // sway's command socket, for swaymsg (SWAYSOCK).
    QString CommandSocket() const { return Socket("sway-ipc.*"); }
    // The Wayland display, as a full path that clients take in WAYLAND_DISPLAY.
    QString WaylandDisplay() const { return Socket("wayland-*"); }

private:
    QString Socket(const QString& pattern) const {
        const QStringList found = QDir(m_runtime).entryList({pattern}, QDir::System);
        for (const QString& name : found)
            if (!name.endsWith(".lock"))
                return m_runtime + u'/' + name;
        return {};
    }

    QProcess m_sway;
    QString m_runtime;
};

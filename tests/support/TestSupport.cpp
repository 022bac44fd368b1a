#include "TestSupport.h"
#include "app/Global.h"
#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

DialogRecorder::DialogRecorder() {
    SetDialogHook([this](const DialogRequest& r) {
        requests.push_back(r);
        if (!answers.empty()) {
            DialogAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return defaultAnswer;
    });
}

DialogRecorder::~DialogRecorder() {
    SetDialogHook({});
}

QStringList DialogRecorder::texts() const {
    QStringList out;
    for (const auto& r : requests)
        out << r.text;
    return out;
}

TempProgramFolder::TempProgramFolder(bool withData) : dir_(std::make_unique<QTemporaryDir>()) {
    if (withData) {
        QDir src(QString(KURIM_SOURCE_DIR) + "/data");
        QDirIterator it(src.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            const QString rel = src.relativeFilePath(f);
            QDir(dir_->path()).mkpath(QFileInfo(rel).path());
            QFile::copy(f, dir_->path() + "/" + rel);
        }
    }
    ResetGlobalState();
    qputenv("KURIM_HOME", dir_->path().toLocal8Bit());
    InitProgramFolder(QString());
    ResetSettings();
}

TempProgramFolder::~TempProgramFolder() {
    qunsetenv("KURIM_HOME");
    ResetGlobalState();
}

QString TempProgramFolder::path() const {
    return dir_->path() + "/";
}

void TempProgramFolder::write(const QString& name, const QByteArray& content) const {
    QDir(dir_->path()).mkpath(QFileInfo(name).path());
    QFile f(path() + name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(content);
}

QByteArray TempProgramFolder::read(const QString& name) const {
    QFile f(path() + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

QString BinDir() {
    return QString(KURIM_BIN_DIR) + "/";
}
QString SourceDir() {
    return QString(KURIM_SOURCE_DIR) + "/";
}

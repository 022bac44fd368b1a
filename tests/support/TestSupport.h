#pragma once
// Shared helpers for tests: a dialog recorder that answers instead of a person, a temporary
// program folder, and waiting on the event loop with a time limit.
#include "app/DialogHook.h"
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

// Installs itself as the dialog hook for its lifetime. Questions are answered from `answers`
// (front first); when it is empty, `defaultAnswer` is used.
class DialogRecorder {
public:
    DialogRecorder();
    ~DialogRecorder();
    std::vector<DialogRequest> requests;
    std::deque<DialogAnswer> answers;
    DialogAnswer defaultAnswer;
    QStringList texts() const; // the text of every request, in order
};

// A fresh program folder (a temporary directory, with the delivered data files copied in when
// withData is true). It becomes ProgramFolder and every global state is reset; the destructor
// resets them again.
class TempProgramFolder {
public:
    explicit TempProgramFolder(bool withData = true);
    ~TempProgramFolder();
    QString path() const; // with trailing "/"
    QString file(const QString& name) const { return path() + name; }
    void write(const QString& name, const QByteArray& content) const;
    QByteArray read(const QString& name) const;

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

// Runs the event loop until `done` returns true or `timeoutMs` passes; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

QString BinDir();    // the build's program folder (executables and data)
QString SourceDir(); // the source tree

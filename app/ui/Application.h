#pragma once
// The application object: its event dispatch is the place where an exception that a command let
// through ends that command, with its text in a message box, instead of ending the program.
#include <QApplication>
#include <functional>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Runs one dispatch; an exception is shown with ErrorBox and counts as "not handled".
    static bool Guarded(const std::function<bool()>& dispatch);
};

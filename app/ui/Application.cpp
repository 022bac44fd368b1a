#include "app/ui/Application.h"
#include "app/Utils.h"
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    return Guarded([&] { return QApplication::notify(receiver, event); });
}

bool TApplication::Guarded(const std::function<bool()>& dispatch) {
    QString text;
    try {
        return dispatch();
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        text = "Unbekannter Fehler";
    }
    // Shown outside the catch block: the message box runs its own event loop.
    ErrorBox(text.isEmpty() ? QString("Unbekannter Fehler") : text);
    return false;
}

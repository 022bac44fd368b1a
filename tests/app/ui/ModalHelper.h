#pragma once
// Helpers for tests that drive real modal windows.
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Acts on the next modal window once it is up. Gives up after a few seconds, so that a test
// whose command shows no window fails on its assertions instead of hanging.
inline void OnModal(std::function<void(QWidget*)> act, int timeoutMs = 5000) {
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act, timeoutMs] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

// The per-user placement store must not touch the real user's files.
inline bool RedirectUserStore() {
    static const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/kurim-ui-test-config";
    qputenv("XDG_CONFIG_HOME", dir);
    return true;
}

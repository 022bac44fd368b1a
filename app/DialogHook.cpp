#include "DialogHook.h"
#include <cstdio>

static DialogHook& Hook() {
    static DialogHook hook;
    return hook;
}

static ClockHook& Clock() {
    static ClockHook clock;
    return clock;
}

void SetDialogHook(DialogHook hook) {
    Hook() = std::move(hook);
}

DialogAnswer RunDialog(const DialogRequest& request) {
    if (Hook()) return Hook()(request);
    // Without windows (command-line tools) messages go to standard error and questions get No.
    if (!request.text.isEmpty())
        std::fprintf(stderr, "%s\n", request.text.toLocal8Bit().constData());
    return {};
}

void SetClockHook(ClockHook hook) {
    Clock() = std::move(hook);
}

QDateTime Now() {
    return Clock() ? Clock()() : QDateTime::currentDateTime();
}

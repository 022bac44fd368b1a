#pragma once
// The Wren's channel telegrams as the dongle and bridge simulators relay them: one line at a
// time, without line end, from the simulated burner (a new set of values each round).
#include "Telegrams.h"
#include <QByteArray>
#include <QList>

class WrenLineSource {
public:
    explicit WrenLineSource(std::uint32_t seed = 7) : burner_(seed) {}
    QByteArray Next() {
        if (pending_.isEmpty()) {
            burner_.Step();
            pending_ = TelegramSet(9, burner_.Values(), ++set_);
            if (pending_.isEmpty()) pending_ << QByteArray("051G20.9;");
        }
        QByteArray line = pending_.takeFirst();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        return line;
    }

private:
    BurnerModel burner_;
    QList<QByteArray> pending_;
    int set_ = 0;
};

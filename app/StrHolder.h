#pragma once
// A window's indexed message list. Code addresses messages by index; the language layer finds
// the list by its objectName and replaces entries by the same index ("Strings[n]").
#include <QObject>
#include <QStringList>

class TStrHolder : public QObject {
    Q_OBJECT
public:
    TStrHolder(const QString& name, QStringList strings, QObject* parent)
        : QObject(parent), Strings(std::move(strings)) {
        setObjectName(name);
    }
    QString at(int index) const {
        return index >= 0 && index < Strings.size() ? Strings[index] : QString();
    }
    QStringList Strings;
};

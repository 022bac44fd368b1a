#include "language/ui/Translate.h"
#include "app/Global.h"
#include "app/StrHolder.h"
#include "language/Language.h"
#include "language/ui/Formlang.h"
#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

namespace {

// The components a window owns: its named descendants, without other windows that live inside
// it (MDI children, dialogs). Menus are separate windows to Qt but belong to their owner.
void CollectOwned(QObject* parent, QList<QObject*>& out) {
    for (QObject* child : parent->children()) {
        if (auto* w = qobject_cast<QWidget*>(child)) {
            if (qobject_cast<QMdiSubWindow*>(w)) continue;
            if (w->isWindow() && !qobject_cast<QMenu*>(w)) continue;
        }
        const QString name = child->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) out.append(child);
        CollectOwned(child, out);
    }
}

QList<QObject*> OwnedComponents(QWidget* window) {
    QList<QObject*> out;
    CollectOwned(window, out);
    return out;
}

// Components by name without regard to case; the first one wins when names collide.
QHash<QString, QObject*> OwnedByName(const QList<QObject*>& owned) {
    QHash<QString, QObject*> byName;
    for (QObject* o : owned)
        if (const QString key = o->objectName().toCaseFolded(); !byName.contains(key))
            byName.insert(key, o);
    return byName;
}

// A page of a QTabWidget plays the part of a tab sheet.
QTabWidget* TabOfPage(QObject* o, int* index) {
    auto* page = qobject_cast<QWidget*>(o);
    if (!page || !page->parentWidget()) return nullptr;
    auto* tabs = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget());
    if (!tabs) return nullptr;
    *index = tabs->indexOf(page);
    return *index >= 0 ? tabs : nullptr;
}

// Push and tool buttons play the parts of all button kinds; check and radio buttons do not.
QAbstractButton* PlainButton(QObject* o) {
    if (qobject_cast<QCheckBox*>(o) || qobject_cast<QRadioButton*>(o)) return nullptr;
    if (qobject_cast<QPushButton*>(o) || qobject_cast<QToolButton*>(o))
        return static_cast<QAbstractButton*>(o);
    return nullptr;
}

QAction* MenuItem(QObject* o) {
    if (auto* a = qobject_cast<QAction*>(o)) return a;
    if (auto* m = qobject_cast<QMenu*>(o)) return m->menuAction();
    return nullptr;
}

void SetCaption(QObject* o, const QString& v) {
    int tab = -1;
    if (auto* tabs = TabOfPage(o, &tab))
        tabs->setTabText(tab, v);
    else if (auto* b = PlainButton(o))
        b->setText(v);
    else if (auto* c = qobject_cast<QCheckBox*>(o))
        c->setText(v);
    else if (auto* l = qobject_cast<QLabel*>(o))
        l->setText(v);
    else if (auto* g = qobject_cast<QGroupBox*>(o))
        g->setTitle(v);
    else if (auto* a = MenuItem(o))
        a->setText(v);
}

void SetHint(QObject* o, const QString& v) {
    int tab = -1;
    if (auto* tabs = TabOfPage(o, &tab))
        tabs->setTabToolTip(tab, v);
    else if (auto* a = MenuItem(o))
        a->setToolTip(v);
    else if (PlainButton(o) || qobject_cast<QCheckBox*>(o) || qobject_cast<QGroupBox*>(o) ||
             qobject_cast<QComboBox*>(o))
        static_cast<QWidget*>(o)->setToolTip(v);
}

QString ShownCaption(QObject* o) {
    int tab = -1;
    if (auto* tabs = TabOfPage(o, &tab)) return tabs->tabText(tab);
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(o)) return g->title();
    if (auto* a = MenuItem(o)) return a->text();
    return {};
}

QString ShownHint(QObject* o) {
    int tab = -1;
    if (auto* tabs = TabOfPage(o, &tab)) return tabs->tabToolTip(tab);
    if (auto* a = MenuItem(o))
        return a->toolTip() == a->text().remove(QLatin1Char('&')) ? QString() : a->toolTip();
    if (auto* w = qobject_cast<QWidget*>(o)) return w->toolTip();
    return {};
}

QMenu* EmptyLanguageMenu(QWidget* mainWindow) {
    for (QMenuBar* bar : mainWindow->findChildren<QMenuBar*>()) {
        for (QAction* a : bar->actions()) {
            QString text = a->text();
            text.remove(QLatin1Char('&'));
            if (a->menu() && text == QLatin1String("Sprache"))
                return a->menu()->actions().isEmpty() ? a->menu() : nullptr;
        }
    }
    return nullptr;
}

} // namespace

void ApplyTranslation(QWidget* window, const LanguageSection& section) {
    const QString base = FormBaseName(window->objectName());
    const QHash<QString, QObject*> owned = OwnedByName(OwnedComponents(window));
    for (const QString& line : section.lines) {
        const LanguageEntry e = SplitLanguageEntry(line);
        int n = -1;
        const LanguageProperty p = ParseLanguageProperty(e.property, &n);
        const QString v = LineBreaksFromPilcrow(e.value);
        if (p == LanguageProperty::Caption && e.component == base) window->setWindowTitle(v);
        QObject* o = owned.value(e.component.toCaseFolded());
        if (!o) continue;
        switch (p) {
        case LanguageProperty::Caption:
            SetCaption(o, v);
            break;
        case LanguageProperty::Hint:
            SetHint(o, v);
            break;
        case LanguageProperty::Item:
            if (auto* c = qobject_cast<QComboBox*>(o); c && n >= 0 && n < c->count())
                c->setItemText(n, v);
            break;
        case LanguageProperty::Title:
            // A table's model may index its columns without a check: no title beyond them.
            if (auto* t = qobject_cast<QTableView*>(o);
                t && t->model() && n >= 0 && n < t->model()->columnCount())
                t->model()->setHeaderData(n, Qt::Horizontal, v, Qt::DisplayRole);
            break;
        case LanguageProperty::Strings:
            if (auto* s = qobject_cast<TStrHolder*>(o); s && n >= 0 && n < s->Strings.size())
                s->Strings[n] = v;
            break;
        case LanguageProperty::Other:
            break;
        }
    }
}

void CollectTexts(QWidget* window, LanguageSection& section) {
    const QString base = FormBaseName(window->objectName());
    OfferText(section, base + QLatin1String(".Caption"), window->windowTitle());
    const QList<QObject*> owned = OwnedComponents(window);
    auto pass = [&](auto accept, auto offer) {
        for (QObject* o : owned)
            if (accept(o)) offer(o, o->objectName() + QLatin1Char('.'));
    };
    auto caption = [&](QObject* o, const QString& k) {
        OfferText(section, k + QLatin1String("Caption"), ShownCaption(o));
    };
    auto hint = [&](QObject* o, const QString& k) {
        OfferText(section, k + QLatin1String("Hint"), ShownHint(o));
    };
    auto isTab = [](QObject* o) {
        int i;
        return TabOfPage(o, &i) != nullptr;
    };
    pass([](QObject* o) { return qobject_cast<QLabel*>(o) != nullptr; }, caption);
    pass([](QObject* o) { return PlainButton(o) != nullptr; },
         [&](QObject* o, const QString& k) {
             caption(o, k);
             hint(o, k);
         });
    pass([](QObject* o) { return qobject_cast<QGroupBox*>(o) != nullptr; }, caption);
    pass([](QObject* o) { return MenuItem(o) != nullptr; }, caption);
    pass(isTab, caption);
    pass([](QObject* o) { return qobject_cast<QCheckBox*>(o) != nullptr; },
         [&](QObject* o, const QString& k) {
             hint(o, k);
             caption(o, k);
         });
    pass([](QObject* o) { return qobject_cast<QComboBox*>(o) != nullptr; },
         [&](QObject* o, const QString& k) {
             hint(o, k);
             auto* c = static_cast<QComboBox*>(o);
             for (int i = 0; i < c->count(); ++i)
                 OfferText(section, k + QStringLiteral("Item[%1]").arg(i), c->itemText(i));
         });
    pass([](QObject* o) { return qobject_cast<TStrHolder*>(o) != nullptr; },
         [&](QObject* o, const QString& k) {
             const QStringList& s = static_cast<TStrHolder*>(o)->Strings;
             for (int i = 0; i < s.size(); ++i)
                 OfferText(section, k + QStringLiteral("Strings[%1]").arg(i), s[i]);
         });
    pass([](QObject* o) { return qobject_cast<QTableView*>(o) != nullptr; },
         [&](QObject* o, const QString& k) {
             QAbstractItemModel* m = static_cast<QTableView*>(o)->model();
             for (int i = 0; m && i < m->columnCount(); ++i)
                 OfferText(section, k + QStringLiteral("Title[%1]").arg(i),
                           m->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString());
         });
}

void BuildLanguageMenu(QWidget* mainWindow) {
    QMenu* menu = EmptyLanguageMenu(mainWindow);
    if (!menu) return;
    QPointer<QWidget> target(mainWindow);
    for (const LanguageMenuEntry& e : LanguageMenuEntries(ProgramFolder)) {
        QAction* item = menu->addAction(e.caption);
        item->setObjectName(QStringLiteral("MnSprache%1").arg(e.position));
        const QString caption = e.caption;
        QObject::connect(item, &QAction::triggered, item, [target, caption] {
            if (target) SwitchLanguage(caption, target);
        });
    }
}

void SwitchLanguage(const QString& caption, QWidget* mainWindow) {
    StoreLanguageChoice(caption);
    LoadLanguage();
    if (mainWindow) TranslateForm(mainWindow);
}

void LoadLanguage() {
    const bool rebuilt = LoadLanguageState();
    TFormlang* editor = Formlang;
    if (!editor && CollectMode) editor = EnsureLanguageWindow();
    if (editor) {
        if (rebuilt) editor->TableReloaded();
        editor->setWindowTitle(LanguageFile);
        if (CollectMode) editor->show();
    }
}

void TranslateForm(QWidget* window) {
    if (!window || window->objectName().isEmpty()) return;
    if (!LanguageLoaded) LoadLanguage();
    const QString base = FormBaseName(window->objectName());
    int index = Translation.FindSection(base);
    if (base == QLatin1String("FormMain")) BuildLanguageMenu(window);
    if (CollectMode) {
        if (index < 0) {
            Translation.sections.append({base, {}});
            index = Translation.Count() - 1;
        }
        CollectTexts(window, Translation.sections[index]);
        if (Formlang) Formlang->TableGrew();
    }
    if (index >= 0) ApplyTranslation(window, Translation.sections[index]);
}

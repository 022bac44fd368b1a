#pragma once
// Every modal question to the user and every reading of "now" goes through one replaceable hook,
// so that tests answer dialogs and fix the clock, and the core library needs no widgets. The
// window library installs the real dialogs at start-up (InstallGuiDialogs in app/ui).
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

enum class DialogKind {
    ErrorBox,       // system message box, error, OK
    InfoBox,        // system message box, information, OK
    ConfirmBox,     // system message box, confirmation, Yes/No
    ErrorDialog,    // the program's own dialog (TFormDialogs), error, OK
    InfoDialog,     // the program's own dialog, information, OK
    QuestionDialog, // the program's own dialog, Ja/Nein
    OpenFile,       // file dialog: caption, folder, filter -> path
    SaveFile,       // file dialog: caption, folder, filter -> path
    InputText,      // input prompt: caption, prompt text, initial value -> text
    Color,          // colour dialog: initial colour as "#rrggbb" -> colour
};

struct DialogRequest {
    DialogKind kind;
    QString text;    // message, or the prompt
    QString caption; // window title for file dialogs and prompts
    QString folder;  // start folder of file dialogs
    QString filter;  // file dialog filter, Qt syntax
    QString initial; // initial value of prompts and colour dialogs
};

struct DialogAnswer {
    bool accepted = false; // OK/Yes/Ja chosen
    QString text;          // chosen path, typed text or colour
};

using DialogHook = std::function<DialogAnswer(const DialogRequest&)>;

// Installs a hook; an empty hook restores the fallback, which writes messages to standard error
// and answers every question with No/Cancel (the behaviour of the command-line tools).
void SetDialogHook(DialogHook hook);
DialogAnswer RunDialog(const DialogRequest& request);

using ClockHook = std::function<QDateTime()>;
void SetClockHook(ClockHook hook); // empty: the real clock
QDateTime Now();

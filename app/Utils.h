#pragma once
// Small helpers every subsystem uses: lenient number readers, fixed-point formatting with a
// decimal comma, text helpers, a tokenizer, message boxes, file copy, shell and processes.
// Character positions count from 1, as in the texts and telegrams they work on.
#include <QChar>
#include <QString>

int ReadInt(const QString& text);
double ReadNumber(const QString& text);
QString FormatFixed(int width, int decimals, double x);

QString IntText(int value, int width);
QString ZeroPadded(int value, int width);
QChar CharAt(const QString& text, int position);
QString WithBackslash(const QString& text);
QString CapitalizeSpelled(const QString& text);
QString CapitalizeUmlauts(const QString& text);
bool HasNonBlank(const QString& text);
int Clamp(int value, int low, int high);
QString TrimBlanks(const QString& text);
QString OverlayText(const QString& text, const QString& line, int column, int length);

// One tokenizer for the whole program; its state is global.
void TokenizerStart(const QString& text, const QString& separators);
QString NextToken();
QString RestOfText();

// Standard message boxes, through the dialog hook.
void ErrorBox(const QString& text);
void InfoBox(const QString& text);
bool ConfirmBox(const QString& text);

int CopyFileKeepDate(const QString& source, const QString& target);
bool ShellOpen(const QString& path);
bool RunProgram(const QString& commandLine);
QString ShellErrorText(int code);
void KillProcessByName(const QString& name, bool all, bool withChildren);
void KillProcess(qint64 pid, bool withChildren);

// The shell's result code for opening `path` (0..32 as the system used them, 33 = accepted),
// without showing anything. ShellOpen and OpenHelpDocument build on it.
int ShellOpenCode(const QString& path);
// Searches a program by name in `folder` first, then along PATH; empty when not found.
QString FindProgram(const QString& name, const QString& folder = QString());

// The program's own message dialogs (TFormDialogs), through the dialog hook.
void ShowErrorDialog(const QString& text);
void ShowInfoDialog(const QString& text);
bool AskQuestionDialog(const QString& text);

// Byte-text variants for the hot decoding path (same rules as ReadNumber / ReadInt).
#include <string_view>
double ReadNumberAscii(std::string_view text);
int ReadIntAscii(std::string_view text);

#pragma once

#include <QString>
#include <QStringList>

// The flyer project a start of the program names: `listora FILE.lso`, from a terminal or from the
// file manager (the menu entry passes the file). Empty when no project is named.
namespace LaunchProject {

// From a process's arguments, the program's own name first: the first argument that is not an
// option, as an absolute path (a file: URL counts as its local path).
QString FromArguments(const QStringList& args);
// From the command line another start handed over (CSingleInstance::CommandLineText).
QString FromHandOver(const QString& text);

// The project the program's own command line names. Only the program sets it: other processes
// that show the window (tests, benchmarks) have arguments of their own that name no project.
void SetProgramArguments(const QStringList& args);
QString ProgramProject();

} // namespace LaunchProject

#pragma once

#include <QString>

// The folders a test of the program works in.
namespace TestSupport {

// "My Listora" in the test's own documents folder, where the program keeps projects and scratch files.
QString SavePath();

// Copies the files and folders below `from` into `to` (which exists); false at the first failure.
bool CopyTree(const QString& from, const QString& to);

} // namespace TestSupport

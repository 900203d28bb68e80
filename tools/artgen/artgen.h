#pragma once

#include <QString>

// Each writer draws its pictures and saves them into the folder; false when a file cannot be written.
bool WriteHousePictures(const QString& samplesFolder);
bool WriteSampleMarks(const QString& dataFolder);
bool WriteProgramPictures(const QString& resFolder);

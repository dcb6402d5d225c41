#pragma once

#include <QString>
#include <QStringList>

namespace fotoloom {

// The files and folders named on the command line (the program's own name excluded), as
// absolute paths: every argument except the custom-mode switch and options that start with
// "-"; after "--" every argument is a path. Relative paths are taken from
// `working_folder`, "file:" addresses (some file managers pass them) become their paths.
QStringList CommandLineFiles(const QStringList& arguments, const QString& working_folder);

}  // namespace fotoloom

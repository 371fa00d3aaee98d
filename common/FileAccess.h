#pragma once

#include <QString>

namespace vorenta {

/// Why a file of the program folder cannot be written now, told from the file system itself:
/// a driver's text ("disk I/O error", "attempt to write a readonly database") says neither which
/// file nor what to do.
enum class WriteFault {
    None,         ///< nothing the file system shows stops a write
    NoSpace,      ///< the file's file system is full
    NoPermission, ///< this user may not write the file (or its folder, for a file to be made)
};

struct WriteCheck {
    WriteFault fault = WriteFault::None;
    QString words;  ///< "sem espaço em disco", "sem permissão de escrita para o usuário vorenta"
    QString advice; ///< what a person does about it: "libere espaço em /var/lib/vorenta", ...
};

/// Looks at `file` (and, for an SQLite file, its -wal and -shm companions, which a write needs
/// too) and its folder. A file system with less than a mebibyte free counts as full: SQLite
/// needs room for its journal before it writes a page.
WriteCheck CheckWritable(const QString& file);

/// CheckWritable as one phrase for a log line ("sem permissão ...; corrija o dono do arquivo
/// ..."), empty when nothing is wrong.
QString WriteProblem(const QString& file);

/// The name of the user this process runs as ("vorenta"), or its number when it has none.
QString CurrentUserName();

} // namespace vorenta

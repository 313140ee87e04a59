#pragma once
// Saving a whole file so that nothing partial is ever seen under any name: a
// reader finds the old file or the complete new one, also after a signal, a
// full disk, the file-size limit or a power cut.

#include <string>
#include <string_view>

// Writes `conteudo` as `caminho`, replacing an existing file. The new file
// keeps the mode of a regular file of the user's own that it replaces, less
// any set-id bits; otherwise (a symbolic link, another user's file, no file)
// it is created under the umask. On Linux the data goes into an unnamed file
// in the target's directory (O_TMPFILE), linked under a temporary name and
// renamed over the target; where the file system lacks unnamed files or the
// link cannot be made (no /proc), or `semNome` is false, into a named
// temporary instead. The data is flushed to disk before the rename and the
// directory after it: false when only that last flush failed (the file is
// replaced, but a power cut may still lose its new name). The terminating signals a program can
// catch (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGXFSZ) are held back meanwhile and
// take effect once any temporary is gone. A read-only target is refused as
// EACCES and left untouched. Raises std::system_error naming the path.
bool GravarArquivoDuravel(const std::string& caminho, std::string_view conteudo, bool semNome = true);

#pragma once
// The end marker must still be on the clipboard after the program has ended,
// which X11 does not do by itself: a clipboard's text lives in its owner.

#include <QString>
#include <cstdint>

// The command-line switch of the hidden mode that serves the marker:
// `--serve-end-marker OWNER TEXT`, OWNER being the X11 window that owned the
// clipboard when the program handed it over.
inline constexpr const char* kOpcaoServirMarcador = "--serve-end-marker";

// Called after the event loop, while the application still exists. When this
// program still owns the clipboard and no clipboard manager takes it over
// (Qt hands the text to one as the application ends), starts this executable
// in the hidden mode and waits until it has taken the clipboard or another
// program has. The hidden copy gets none of this process's descriptors: its
// standard streams are the null device, so a caller reading this program's
// output sees its end when this process ends.
void PreservarAreaDeTransferencia(const QString& executavel);

// The first thing the hidden mode does, before anything else exists: the
// standard streams on the null device, "/" as working directory, every other
// descriptor closed, its own session. It may outlive the caller by hours and
// must hold nothing of it.
void DesligarDoChamador();

// The hidden mode: takes the clipboard with `texto` only while `dono` still
// owns it (checked and taken with the display grabbed, so nobody can copy in
// between), keeps it until another program takes it, then ends. A clipboard
// that another program took first is left alone. Returns the exit status.
int ServirAreaDeTransferencia(const QString& texto, std::uint32_t dono);

// The command-line host's editor mode, as a Linux host embeds a plug-in
// editor: a top-level X11 window of the size effEditGetRect gives, its id
// handed to effEditOpen, effEditIdle from the host's user-interface thread
// (the calling thread) every idle period while an audio thread plays the
// signal through every instance in real time. A second thread plays the
// user: it runs the script's steps with input injected through XTEST, takes
// screenshots, times each opening to the window's first drawing and reports
// the process's file descriptors, threads and resident memory around the
// open/close cycles.
#pragma once

#include <string>
#include <vector>

#include "tools/qvxhost/AudioIO.h"
#include "tools/qvxhost/EditorScript.h"
#include "tools/qvxhost/Options.h"
#include "tools/qvxhost/PluginHost.h"

// Runs the editor mode on started hosts (the instances, at least one) and
// prints what it sees. False with `error` set when a host has no editor,
// the display cannot be used, or a step fails; the editors are closed and
// the audio stopped on every path.
bool RunEditorSession(const HostOptions& options, const std::vector<PluginHost*>& hosts,
                      const std::vector<ScriptStep>& steps, const AudioBuffer& input, std::string& error);

#pragma once

#include <string>
#include <string_view>

namespace Qv::Vantix::Server::Services::Vistane {

// The setup program beside the host: the host executable's path without its last 14
// characters (its file name), then "QVVSSetup.exe". A shorter path is kept whole.
std::wstring SetupPathFromHostPath(std::wstring_view hostPath);

// The setup path in quotation marks, so that no prefix of a path with spaces can be
// taken for the program, followed by the silent-install arguments.
std::wstring SetupCommandLine(std::wstring_view setupPath);

}  // namespace Qv::Vantix::Server::Services::Vistane

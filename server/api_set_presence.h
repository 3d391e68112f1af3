#pragma once

namespace Qv::Vantix::Server::Services {

// Whether the API set `contract` is present on this Windows. Before Windows 10 every
// API set counts as present; from 10 on ntdll's schema query answers, and without
// that query the set counts as absent.
bool IsApiSetPresent(const wchar_t* contract);

}  // namespace Qv::Vantix::Server::Services

// Tells whether a file is an Access workgroup information file (.mdw) by its
// header, without opening it as a database.
#pragma once

#include <string>

bool dao_check_sysdb(const std::wstring& path);

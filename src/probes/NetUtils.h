#pragma once
// Reverse lookup and the NetBIOS adapter-status query.

#include <functional>
#include <string>

// The host's official name for a dotted address text, or empty text. Reports nothing.
std::string GetHostNameByIP(const std::string& ip);

// The MAC address of the named host as "0A-1B-2C-3D-4E-5F"; 00-00-00-00-00-00 when no answer came.
std::string GetMACAddress(const std::string& hostName);

// How GetMACAddress shows its one message ("memory allocation failed!"); the window installs a
// function that shows it on the UI thread.
void SetNetUtilsMessageHandler(std::function<void(const std::string&)> handler);

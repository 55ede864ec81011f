// Connecting a local drive to the network folder that holds the data.
#ifndef KX_APP_DRIVE_MAPPING_H_
#define KX_APP_DRIVE_MAPPING_H_

#include <cstdint>
#include <string>

namespace kx {

// Connects the device local (a drive such as "P:"; on POSIX a mount-point
// folder) to the UNC folder path through platform::env().network_connector(). The
// remote name is path upper-cased, without trailing backslashes, without
// " ON " + server, without trailing blanks. Credentials are passed only on
// the NT platform (VOGETOSPLATFORM() == 2), each one only when not empty.
// A provider that stays busy is asked kMaxBusyAttempts times, kBusyPauseMs
// apart. Every failure is one QOUT line; the password is never written
// anywhere and is registered as a secret. A path not starting with two
// backslashes connects nothing. A path without a backslash after the server
// name raises a numeric overflow (subsystem "BASE") to the installed handler.
// Always returns true.
bool _MAPPINGDRIVE(const std::string& path, const std::string& local, const std::string& user,
                   const std::string& password);

// The operating system's platform identifier (2 for the NT family; POSIX
// answers 2 because its connector needs the credentials), 0 when unknown.
long VOGETOSPLATFORM();

inline constexpr int kMaxBusyAttempts = 20;
inline constexpr uint32_t kBusyPauseMs = 100;

}  // namespace kx

#endif  // KX_APP_DRIVE_MAPPING_H_

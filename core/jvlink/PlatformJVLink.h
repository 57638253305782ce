// Creating the JV-Link backend at start-up: the JV-Link control on Windows, the local
// stand-in elsewhere. Tests replace the factory, for example by one that fails.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "jvlink/JVLink.h"

namespace turfpad {

// The software identifier the program gives JV-Link: two identifiers of eight characters and
// the project name, each followed by "/", then the version text (42 characters).
inline constexpr const char* kSoftwareIdFixedPart = "TP202612/TP000001/Turfpad2026/";
std::string SoftwareIdentifier();

// Creates a backend; nullptr with `error` (UTF-8) saying why when it cannot.
using JVLinkFactory = std::function<std::unique_ptr<JVLink>(std::string& error)>;

// The platform's own backend.
std::unique_ptr<JVLink> CreatePlatformJVLink(std::string& error);

// The backend through the factory in force: the one set by SetJVLinkFactory, else the
// platform's own.
std::unique_ptr<JVLink> CreateJVLink(std::string& error);

// Replaces the factory; an empty one restores the platform's.
void SetJVLinkFactory(JVLinkFactory factory);

// Sets a factory for the lifetime of the object and restores the previous one after.
class ScopedJVLinkFactory {
  public:
    explicit ScopedJVLinkFactory(JVLinkFactory factory);
    ~ScopedJVLinkFactory();
    ScopedJVLinkFactory(const ScopedJVLinkFactory&) = delete;
    ScopedJVLinkFactory& operator=(const ScopedJVLinkFactory&) = delete;

  private:
    JVLinkFactory previous_;
};

}  // namespace turfpad

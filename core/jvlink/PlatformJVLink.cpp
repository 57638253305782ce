#include "jvlink/PlatformJVLink.h"

#include "Version.h"

#ifdef _WIN32
#include "jvlink/ComJVLink.h"
#else
#include "jvlink/LocalJVLink.h"
#endif

namespace turfpad {
namespace {
JVLinkFactory& Factory() {
    static JVLinkFactory factory;
    return factory;
}
}  // namespace

std::string SoftwareIdentifier() { return std::string(kSoftwareIdFixedPart) + kVersionText; }

std::unique_ptr<JVLink> CreatePlatformJVLink(std::string& error) {
#ifdef _WIN32
    return ComJVLink::Create(error);
#else
    error.clear();
    return std::make_unique<LocalJVLink>();
#endif
}

std::unique_ptr<JVLink> CreateJVLink(std::string& error) {
    if (Factory()) return Factory()(error);
    return CreatePlatformJVLink(error);
}

void SetJVLinkFactory(JVLinkFactory factory) { Factory() = std::move(factory); }

ScopedJVLinkFactory::ScopedJVLinkFactory(JVLinkFactory factory) : previous_(Factory()) {
    Factory() = std::move(factory);
}

ScopedJVLinkFactory::~ScopedJVLinkFactory() { Factory() = std::move(previous_); }

}  // namespace turfpad

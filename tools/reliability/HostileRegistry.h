// The registry as the hostile input needs it, put back whatever happens:
// the policy on (FuzzMessages' PolicyEntries), a value outside it to aim at,
// and nothing left of what the fuzz aimed at or the credential provider's
// messages registered.
#pragma once

#include "tests/support/Registry.h"
#include "tools/reliability/RegistrySnapshot.h"

#include <vector>

namespace reliability {

class HostileRegistry {
public:
    HostileRegistry();
    HostileRegistry(const HostileRegistry&) = delete;
    HostileRegistry& operator=(const HostileRegistry&) = delete;
    bool ready() const { return ready_; }

private:
    // Our own keys, the values of our own name the fuzz aimed at (were any
    // written, the figure says so; the policy must not keep them), and the
    // credential provider's keys unless they were there before the run.
    // Before the scenario and after it, once everything else is put back.
    struct Tidy {
        Tidy();
        ~Tidy() { Run(); }
        void Run() const;
        std::vector<bool> keptKeys;
    };

    Tidy tidy_;
    testing_support::ScopedRegValue policy_;
    testing_support::ScopedRegValue outside_;
    bool ready_ = false;
};

// Every key and value under HKLM\SOFTWARE and HKLM\SYSTEM.
RegistryImage SnapshotMachine();

}  // namespace reliability

// Failures integrators ask for, to see how callers cope: under
// HKEY_LOCAL_MACHINE\SOFTWARE\OrxStandins\Profstore, the DWORD "FailWith"
// names the error code and the DWORD "FailCalls" how many calls still fail;
// each failed call takes one off "FailCalls". Missing or 0: no failure.
#pragma once

#include <cstdint>
#include <optional>

namespace profstore {

constexpr char kFailureSwitchKey[] = "SOFTWARE\\OrxStandins\\Profstore";

struct InjectedFailure {
    uint32_t code;
    uint32_t callsLeft;  // after this one
};

// Takes one failure when one is asked for.
std::optional<InjectedFailure> TakeInjectedFailure();

// The DWORD "HashReturns" under the same key, when present: what
// VPNCFG_HashBuf returns after writing the right digest. A library whose
// hash returns anything with a right digest is within the contract, whose
// callers do not use the result; this lets a test be such a library.
std::optional<int> ForcedHashResult();

}  // namespace profstore

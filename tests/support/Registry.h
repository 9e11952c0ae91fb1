// The prefix's registry as tests and the bench leave it: every value set is
// put back as it was found.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

bool SetRegBinary(HKEY root, const std::string& key, const std::string& name, const std::vector<uint8_t>& data);
bool DeleteRegTree(HKEY root, const std::string& key);

// Sets one value for the life of the object and puts back what was there
// before (or removes it).
class ScopedRegValue {
public:
    ScopedRegValue(HKEY root, std::string key, std::string name);
    ~ScopedRegValue();
    ScopedRegValue(const ScopedRegValue&) = delete;
    ScopedRegValue& operator=(const ScopedRegValue&) = delete;

    bool SetBinary(const std::vector<uint8_t>& data);
    bool SetDword(DWORD value);
    bool SetString(const std::string& value);
    bool SetMultiSz(const std::vector<std::string>& entries);
    bool Remove();
    bool Is(const std::string& key, const std::string& name) const { return key == key_ && name == name_; }

private:
    HKEY root_;
    std::string key_, name_;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::vector<uint8_t> oldData_;
};

// A key a test or a run may create by setting a value under it: deleted
// again at the end when it was not there before and nothing is left in it.
class KeyLeftAsFound {
public:
    KeyLeftAsFound(HKEY root, std::string path);
    ~KeyLeftAsFound();
    KeyLeftAsFound(const KeyLeftAsFound&) = delete;
    KeyLeftAsFound& operator=(const KeyLeftAsFound&) = delete;

private:
    HKEY root_;
    std::string path_;
    bool existed_ = false;
};

// The App Paths key of the daemon and the product key, under HKEY_LOCAL_MACHINE.
extern const char* const kAppPathsKey;
extern const char* const kProductKey;

// The service's settings as a test finds them: every value the service reads
// under the App Paths key and the product key is removed for the life of the
// object and put back afterwards, as is any other value set through it. A
// test sets only what it needs, and depends on nothing that an earlier run
// (the demo, another test) left in the prefix. The setters write under the
// App Paths key.
class ScopedServiceSettings {
public:
    ScopedServiceSettings();

    bool SetBinary(const std::string& name, const std::vector<uint8_t>& data) { return Value(name).SetBinary(data); }
    bool SetDword(const std::string& name, DWORD value) { return Value(name).SetDword(value); }
    bool SetString(const std::string& name, const std::string& value) { return Value(name).SetString(value); }
    bool Remove(const std::string& name) { return Value(name).Remove(); }

private:
    ScopedRegValue& Value(const std::string& name);
    std::vector<std::unique_ptr<ScopedRegValue>> values_;
};

// Makes Wine report `version` ("win10", "win81", "win7", "vista", "win2k"...)
// to the program named `exeName` for the life of the object.
struct ScopedWineVersion : ScopedRegValue {
    ScopedWineVersion(std::string exeName, const std::string& version)
        : ScopedRegValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + exeName, "Version") {
        SetString(version);
    }
};

}  // namespace testing_support

#include "standins/profstore/ConfigStore.h"

#include "profstore/ProfstoreErrors.h"
#include "standins/profstore/StoreFiles.h"

namespace profstore {

Outcome ConfigStore::Load() {
    std::string path, text;
    Outcome outcome = PathInDataDir(kStoreFileName, path);
    if (outcome.error == CONF_NO_ERROR) outcome = ReadWholeFile(path, text);
    if (outcome.error != CONF_NO_ERROR) return outcome;
    std::lock_guard<std::mutex> hold(lock_);
    loaded_ = ParseStore(text);
    return {};
}

Outcome ConfigStore::Import(const LoadRequest& request) {
    std::string storePath, sourcePath, text;
    Outcome outcome = PathInDataDir(kStoreFileName, storePath);
    if (outcome.error == CONF_NO_ERROR) outcome = PathInImportFolder(request.fileName, sourcePath);
    if (outcome.error == CONF_NO_ERROR) outcome = ReadWholeFile(sourcePath, text);
    if (outcome.error != CONF_NO_ERROR) return outcome;
    const StoredConfig imported{request.name, text};
    std::lock_guard<std::mutex> hold(lock_);
    outcome = ReplaceFileContents(storePath, RenderStore(imported, ImportLine(sourcePath, NowText())));
    if (outcome.error == CONF_NO_ERROR) loaded_ = imported;
    return outcome;
}

Outcome ConfigStore::Save(uint32_t argS, uint32_t argA, uint8_t flag) {
    if (flag > 1) return {CONF_WRONGFORMAT, "flag " + std::to_string(flag) + " is neither 1 (save) nor 0 (update)"};
    std::string path;
    Outcome outcome = PathInDataDir(kStoreFileName, path);
    if (outcome.error != CONF_NO_ERROR) return outcome;
    std::lock_guard<std::mutex> hold(lock_);
    if (!loaded_) return {CONF_CANNOTFIND, "no configuration is loaded: nothing to save"};
    return ReplaceFileContents(path, RenderStore(*loaded_, SaveLine(argS, argA, flag, NowText())));
}

}  // namespace profstore

// Somebody else acting on the machine in the middle of a step: file calls made just
// before a chosen platform call, and what came of them. Also what a file holds.
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/sim/winsim.h"
#include "tools/vistane-scenario/scenario_registry.h"

namespace vistane_scenario {

namespace {

struct InterferenceRecord {
    std::mutex mutex;
    Json outcomes = Json::array();
};

DWORD Flags(const Json& names, const std::map<std::string, DWORD>& known) {
    DWORD flags = 0;
    for (const Json& name : names) {
        const auto found = known.find(name.get<std::string>());
        if (found == known.end()) throw ScenarioError("unknown flag \"" + name.get<std::string>() + "\"");
        flags |= found->second;
    }
    return flags;
}

// One file call as another program makes it, read from the scenario before any step.
struct FileCall {
    std::string name;
    std::wstring path;  // the file acted on; for MoveFileExW the source
    std::wstring target;
    DWORD access = 0;
    DWORD share = 0;
    DWORD moveFlags = 0;
};

FileCall ReadCall(const Json& call) {
    FileCall read;
    read.name = call.value("call", "");
    if (read.name == "MoveFileExW") {
        read.path = RequiredText(call, "from");
        read.target = RequiredText(call, "to");
        read.moveFlags = call.value("replace", false) ? MOVEFILE_REPLACE_EXISTING : 0;
    } else if (read.name == "CreateFileW" || read.name == "DeleteFileW") {
        read.path = RequiredText(call, "path");
        read.access = Flags(call.value("access", Json::array()),
                            {{"GENERIC_READ", GENERIC_READ}, {"GENERIC_WRITE", GENERIC_WRITE}, {"DELETE", DELETE}});
        read.share = Flags(call.value("share", Json::array()), {{"FILE_SHARE_READ", FILE_SHARE_READ},
                                                                {"FILE_SHARE_WRITE", FILE_SHARE_WRITE},
                                                                {"FILE_SHARE_DELETE", FILE_SHARE_DELETE}});
    } else {
        throw ScenarioError("interference call \"" + read.name + "\" is not one of CreateFileW, DeleteFileW, MoveFileExW");
    }
    return read;
}

// 0 when the call succeeds, else its last error. A handle it opens is closed at once.
DWORD MakeCall(const FileCall& call) {
    SetLastError(0);
    if (call.name == "DeleteFileW") return DeleteFileW(call.path.c_str()) ? 0 : GetLastError();
    if (call.name == "MoveFileExW")
        return MoveFileExW(call.path.c_str(), call.target.c_str(), call.moveFlags) ? 0 : GetLastError();
    const HANDLE file = CreateFileW(call.path.c_str(), call.access, call.share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(file);
    return 0;
}

// {"before": "CreateProcessW", "calls": [{"call": "MoveFileExW", "from", "to", "replace": true},
// {"call": "DeleteFileW", "path"}, {"call": "CreateFileW", "path", "access": [...], "share": [...]}]}:
// the calls are made, in order, just before the first call of that platform function.
const MachineSectionRegistrar interference("interference", [](const Json& section, ScenarioContext& context) {
    const std::string before = section.value("before", "");
    if (before.empty()) throw ScenarioError("interference needs \"before\": the platform call it precedes");
    std::vector<FileCall> calls;
    for (const Json& call : section.value("calls", Json::array())) calls.push_back(ReadCall(call));
    auto record = std::make_shared<InterferenceRecord>();
    context.objects["interference"] = record;
    winsim::BeforeCall(before, 1, [record, calls] {
        Json outcomes = Json::array();
        for (const FileCall& call : calls) outcomes.push_back({{"call", call.name}, {"error", MakeCall(call)}});
        std::lock_guard lock(record->mutex);
        record->outcomes = std::move(outcomes);
    });
});

// Result: each interfering call with its outcome (error 0: it succeeded), in order;
// empty while the calls have not been made.
const OperationRegistrar interferenceOutcome("Interference", [](const Json&, ScenarioContext& context) -> Json {
    auto found = context.objects.find("interference");
    if (found == context.objects.end()) throw ScenarioError("no interference section");
    auto* record = static_cast<InterferenceRecord*>(found->second.get());
    std::lock_guard lock(record->mutex);
    return record->outcomes;
});

// Result: the file's content, or null when no such file exists.
const OperationRegistrar fileContent("FileContent", [](const Json& arguments, ScenarioContext&) -> Json {
    const auto content = winsim::FileContent(RequiredText(arguments, "path"));
    return content ? Json(*content) : Json(nullptr);
});

}  // namespace

}  // namespace vistane_scenario

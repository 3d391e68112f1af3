#include "tools/vistane-scenario/scenario_expectations.h"

namespace vistane_scenario {

namespace {

using Qv::Vantix::Logging::Level;
using Qv::Vantix::Logging::LevelName;
using Qv::Vantix::Logging::LogRecord;

Json LogToJson(const std::vector<LogRecord>& log) {
    Json records = Json::array();
    for (const LogRecord& record : log) {
        Json entry = Json::array({Narrow(LevelName(record.level)), Narrow(record.text)});
        if (!record.context.empty()) entry.push_back(Narrow(record.context));
        records.push_back(entry);
    }
    return records;
}

Json ProcessToJson(const winsim::StartedProcess& process) {
    return Json{{"api", process.api},
                {"user", Narrow(process.user)},
                {"applicationName", Narrow(process.applicationName)},
                {"commandLine", Narrow(process.commandLine)},
                {"program", Narrow(process.program)},
                {"currentDirectory", Narrow(process.currentDirectory)},
                {"inheritHandles", process.inheritHandles != FALSE},
                {"creationFlags", process.creationFlags},
                {"inheritedHandles", process.inheritedHandles.size()}};
}

// Every field the expectation names must match; fields it does not name are free.
bool Matches(const Json& expected, const Json& actual) {
    if (!expected.is_object()) return expected == actual;
    for (const auto& [key, value] : expected.items())
        if (!actual.contains(key) || !Matches(value, actual[key])) return false;
    return true;
}

}  // namespace

StepObservation ObserveMachine() {
    StepObservation observation;
    observation.allSleeps = winsim::Sleeps();
    observation.allStarted = winsim::StartedProcesses();
    observation.sleeps = observation.allSleeps.size();
    observation.startedProcesses = observation.allStarted.size();
    return observation;
}

void CheckInvariants(const std::string& label, const StepObservation&, std::vector<std::string>& failures) {
    if (!winsim::CurrentThreadIdentity().empty())
        failures.push_back(label + ": the thread still impersonates " + Narrow(winsim::CurrentThreadIdentity()));
}

void CheckExpectations(const std::string& label, const Json& expect, const Json& result, const std::vector<LogRecord>& log,
                       const StepObservation& before, const StepObservation& after, std::vector<std::string>& failures) {
    if (expect.contains("result") && !Matches(expect["result"], result))
        failures.push_back(label + ": result: expected " + expect["result"].dump() + ", got " + result.dump());
    if (expect.contains("log")) {
        const Json actual = LogToJson(log);
        if (actual != expect["log"])
            failures.push_back(label + ": log: expected " + expect["log"].dump() + ", got " + actual.dump());
    }
    if (expect.contains("sleeps")) {
        Json actual = Json::array();
        for (size_t i = before.sleeps; i < after.sleeps; ++i) actual.push_back(after.allSleeps[i]);
        if (actual != expect["sleeps"])
            failures.push_back(label + ": sleeps: expected " + expect["sleeps"].dump() + ", got " + actual.dump());
    }
    if (expect.contains("processes")) {
        Json actual = Json::array();
        for (size_t i = before.startedProcesses; i < after.startedProcesses; ++i)
            actual.push_back(ProcessToJson(after.allStarted[i]));
        const Json& wanted = expect["processes"];
        bool same = wanted.is_array() && wanted.size() == actual.size();
        for (size_t i = 0; same && i < wanted.size(); ++i) same = Matches(wanted[i], actual[i]);
        if (!same)
            failures.push_back(label + ": processes: expected " + wanted.dump() + ", got " + actual.dump());
    }
    const std::string ledger = expect.value("ledger", std::string("balanced"));
    if (winsim::LedgerReport() != ledger)
        failures.push_back(label + ": ledger: expected " + ledger + ", got " + winsim::LedgerReport());
}

}  // namespace vistane_scenario

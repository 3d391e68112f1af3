#include "platform/sim/sim_core.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/sim/sim_names.h"
#include "platform/sim/winsim.h"

namespace winsim::detail {

namespace {

struct FaultRule {
    std::string api;
    unsigned nth;
    DWORD error;
};

struct CoreState {
    std::vector<const char*> callLog;  // API names are literals: kept as pointers
    std::map<std::string, unsigned, std::less<>> callCounts;
    std::unordered_map<const char*, unsigned*> countOfLiteral;  // a name's count, found once per literal
    unsigned sweepCalls = 0;
    std::vector<FaultRule> rules;
    std::optional<std::pair<unsigned, DWORD>> nthPlatformFault;
    unsigned sweepCallsAtArm = 0;
    std::optional<std::mt19937> random;
    unsigned randomPercent = 0;
    DWORD randomError = 0;
    unsigned injected = 0;
    std::map<std::string, long> ledger;
    std::map<HANDLE, std::shared_ptr<HandleObject>> handles;
    std::uintptr_t nextHandle = 0x1000;
    std::map<std::wstring, std::vector<std::wstring>> impersonation;  // thread -> stack of users
    std::vector<ImpersonationEvent> impersonationEvents;
    std::multimap<std::string, std::pair<unsigned, std::function<void()>>> actionsBefore;  // api -> (calls left, action)
};

CoreState& Core() {
    static CoreState* state = new CoreState();
    return *state;
}

std::vector<std::function<void()>>& ResetHooks() {
    static auto* hooks = new std::vector<std::function<void()>>();
    return *hooks;
}

thread_local DWORD threadLastError = 0;

// A name outside sim_names.h is a mistake: in a test it would read as "0 calls".
const std::string& KnownCall(const std::string& api, const char* asker) {
    if (!IsRecordedCall(api)) throw std::invalid_argument(std::string(asker) + ": no simulated call is named \"" + api + "\"");
    return api;
}
const std::string& KnownKind(const std::string& kind, const char* asker) {
    if (!IsLedgerKind(kind)) throw std::invalid_argument(std::string(asker) + ": the ledger counts no \"" + kind + "\"");
    return kind;
}

}  // namespace

namespace {

// The processor's hint for a wait loop; elsewhere, a yield.
void PauseProcessor() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

}  // namespace

bool RecursiveSpinMutex::TakeFree() {
    if (!mutex_.try_lock()) return false;
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    depth_ = 1;
    return true;
}

bool RecursiveSpinMutex::try_lock() {
    // Only this thread ever stores its own id, so the test needs no ordering.
    if (owner_.load(std::memory_order_relaxed) == std::this_thread::get_id()) {
        ++depth_;
        return true;
    }
    return TakeFree();
}

void RecursiveSpinMutex::lock() {
    if (try_lock()) return;
    // A few microseconds of retries, first on the processor and then giving it up: the
    // holder is usually about to let go.
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (TakeFree()) return;
        if (attempt < 200) {
            PauseProcessor();
        } else {
            std::this_thread::yield();
        }
    }
    mutex_.lock();
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    depth_ = 1;
}

void RecursiveSpinMutex::unlock() {
    if (--depth_ > 0) return;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
}

RecursiveSpinMutex& MachineMutex() {
    static auto* mutex = new RecursiveSpinMutex();
    return *mutex;
}

namespace {

// Runs an action armed for this call of `api`, outside the machine lock, so that it may
// act as another program would.
std::atomic<bool> anyActionArmed{false};  // spares every call the lookup when none is

void RunActionDueBefore(const char* api) {
    if (!anyActionArmed.load(std::memory_order_acquire)) return;
    std::function<void()> due;
    {
        MachineLock lock(MachineMutex());
        auto [first, last] = Core().actionsBefore.equal_range(api);
        for (auto it = first; it != last && !due;) {
            if (--it->second.first == 0) {
                due = std::move(it->second.second);
                it = Core().actionsBefore.erase(it);
                anyActionArmed.store(!Core().actionsBefore.empty(), std::memory_order_release);
            } else {
                ++it;
            }
        }
    }
    if (due) due();
}

}  // namespace

std::optional<DWORD> Enter(const char* api, DWORD defaultError, FaultScope scope) {
    if (!IsRecordedCall(api)) throw std::logic_error(std::string("a simulated call missing from sim_names.h: ") + api);
    RunActionDueBefore(api);
    MachineLock lock(MachineMutex());
    CoreState& core = Core();
    core.callLog.push_back(api);
    unsigned*& counted = core.countOfLiteral[api];
    if (counted == nullptr) counted = &core.callCounts.try_emplace(api, 0).first->second;
    const unsigned count = ++*counted;
    std::optional<DWORD> fault;
    for (const FaultRule& rule : core.rules) {
        if (rule.api == api && (rule.nth == 0 || rule.nth == count)) fault = rule.error;
    }
    if (scope == FaultScope::Sweep) {
        const unsigned sweepIndex = ++core.sweepCalls - core.sweepCallsAtArm;
        if (!fault && core.nthPlatformFault && core.nthPlatformFault->first == sweepIndex)
            fault = core.nthPlatformFault->second;
        if (!fault && core.random && std::uniform_int_distribution<unsigned>(0, 99)(*core.random) < core.randomPercent)
            fault = core.randomError;
    }
    if (fault) {
        ++core.injected;
        if (*fault == 0) fault = defaultError;
        threadLastError = *fault;
    }
    return fault;
}

void LedgerAcquire(const std::string& kind) {
    MachineLock lock(MachineMutex());
    ++Core().ledger[KnownKind(kind, "LedgerAcquire")];
}

void LedgerRelease(const std::string& kind) {
    MachineLock lock(MachineMutex());
    --Core().ledger[KnownKind(kind, "LedgerRelease")];
}

HANDLE AddHandle(std::shared_ptr<HandleObject> object) {
    MachineLock lock(MachineMutex());
    CoreState& core = Core();
    HANDLE handle = reinterpret_cast<HANDLE>(core.nextHandle);
    core.nextHandle += 4;
    ++core.ledger[KnownKind(object->kind, "AddHandle")];
    core.handles.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<HandleObject> FindHandle(HANDLE handle) {
    MachineLock lock(MachineMutex());
    auto found = Core().handles.find(handle);
    return found == Core().handles.end() ? nullptr : found->second;
}

bool CloseHandleObject(HANDLE handle) {
    std::shared_ptr<HandleObject> closed;  // destroyed after the lock is let go
    MachineLock lock(MachineMutex());
    auto found = Core().handles.find(handle);
    if (found == Core().handles.end()) return false;
    --Core().ledger[found->second->kind];
    closed = std::move(found->second);
    Core().handles.erase(found);
    return true;
}

void ForEachHandleObject(const std::function<void(HandleObject& object)>& visit) {
    MachineLock lock(MachineMutex());
    for (const auto& [handle, object] : Core().handles) visit(*object);
}

void RegisterResetHook(std::function<void()> hook) {
    MachineLock lock(MachineMutex());
    ResetHooks().push_back(std::move(hook));
}

void SetThreadLastError(DWORD error) { threadLastError = error; }
DWORD ThreadLastError() { return threadLastError; }

std::wstring ThreadIdText() {
    // Written once per thread: a string stream is costly, and callers hold the lock.
    thread_local const std::wstring text = [] {
        std::wostringstream stream;
        stream << std::this_thread::get_id();
        return stream.str();
    }();
    return text;
}

void BeginImpersonation(const std::wstring& user, const char* how) {
    MachineLock lock(MachineMutex());
    const std::wstring thread = ThreadIdText();
    Core().impersonation[thread].push_back(user);
    Core().impersonationEvents.push_back({thread, how, user});
}

bool EndImpersonation(const char* how) {
    MachineLock lock(MachineMutex());
    const std::wstring thread = ThreadIdText();
    Core().impersonationEvents.push_back({thread, how, L""});
    // Reverting drops every impersonation of the thread, as RevertToSelf does.
    return Core().impersonation.erase(thread) > 0;
}

std::wstring CurrentThreadUser() {
    MachineLock lock(MachineMutex());
    auto found = Core().impersonation.find(ThreadIdText());
    return found == Core().impersonation.end() || found->second.empty() ? std::wstring() : found->second.back();
}

// A-Z only: what Windows folds does not follow the host process's C library locale, and
// towlower would fold U+0130 to 'i' under a UTF-8 one.
std::wstring FoldCase(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& unit : folded) {
        if (unit >= L'A' && unit <= L'Z') unit = static_cast<wchar_t>(unit - L'A' + L'a');
    }
    return folded;
}

void ResetCore() {
    MachineLock lock(MachineMutex());
    CoreState& core = Core();
    core = CoreState();
    anyActionArmed.store(false, std::memory_order_release);
    for (auto& hook : ResetHooks()) hook();
}

}  // namespace winsim::detail

namespace winsim {

using namespace detail;

void FailCall(const std::string& api, unsigned nth, DWORD lastError) {
    MachineLock lock(MachineMutex());
    Core().rules.push_back({KnownCall(api, "FailCall"), nth, lastError});
}

void FailNthPlatformCall(unsigned nth, DWORD lastError) {
    MachineLock lock(MachineMutex());
    Core().nthPlatformFault = std::make_pair(nth, lastError);
    Core().sweepCallsAtArm = Core().sweepCalls;
}

void FailRandomCalls(std::uint32_t seed, unsigned percent, DWORD lastError) {
    MachineLock lock(MachineMutex());
    Core().random.emplace(seed);
    Core().randomPercent = percent;
    Core().randomError = lastError;
}

void BeforeCall(const std::string& api, unsigned nth, std::function<void()> action) {
    MachineLock lock(MachineMutex());
    Core().actionsBefore.emplace(api, std::make_pair(std::max(nth, 1u), std::move(action)));
    anyActionArmed.store(true, std::memory_order_release);
}

void ClearFaults() {
    MachineLock lock(MachineMutex());
    Core().rules.clear();
    Core().nthPlatformFault.reset();
    Core().random.reset();
}

unsigned FaultsInjected() {
    MachineLock lock(MachineMutex());
    return Core().injected;
}

std::vector<std::string> CallLog() {
    MachineLock lock(MachineMutex());
    return std::vector<std::string>(Core().callLog.begin(), Core().callLog.end());
}

unsigned CallCount(const std::string& api) {
    KnownCall(api, "CallCount");
    MachineLock lock(MachineMutex());
    auto found = Core().callCounts.find(api);
    return found == Core().callCounts.end() ? 0 : found->second;
}

unsigned SweepCallCount() {
    MachineLock lock(MachineMutex());
    return Core().sweepCalls - Core().sweepCallsAtArm;
}

void ClearCallLog() {
    MachineLock lock(MachineMutex());
    Core().callLog.clear();
    Core().callCounts.clear();
    Core().countOfLiteral.clear();
}

std::map<std::string, long> OpenResources() {
    MachineLock lock(MachineMutex());
    std::map<std::string, long> open;
    for (const auto& [kind, count] : Core().ledger)
        if (count != 0) open.emplace(kind, count);
    return open;
}

long OpenCount(const std::string& kind) {
    MachineLock lock(MachineMutex());
    auto found = Core().ledger.find(KnownKind(kind, "OpenCount"));
    return found == Core().ledger.end() ? 0 : found->second;
}

bool LedgerBalanced() { return OpenResources().empty(); }

std::string LedgerReport() {
    const auto open = OpenResources();
    if (open.empty()) return "balanced";
    std::string report;
    for (const auto& [kind, count] : open) report += (report.empty() ? "" : " ") + kind + "=" + std::to_string(count);
    return report;
}

std::vector<ImpersonationEvent> ImpersonationEvents() {
    MachineLock lock(MachineMutex());
    return Core().impersonationEvents;
}

std::vector<std::wstring> ThreadsStillImpersonating() {
    MachineLock lock(MachineMutex());
    std::vector<std::wstring> threads;
    for (const auto& [thread, stack] : Core().impersonation)
        if (!stack.empty()) threads.push_back(thread);
    return threads;
}

std::wstring CurrentThreadIdentity() { return CurrentThreadUser(); }

}  // namespace winsim

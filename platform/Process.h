#pragma once

namespace pelorin::platform {

// Lowers the process to idle priority while a long entry is processed, so
// that the machine stays usable, and brings it back afterwards. Best effort:
// a refusal (an unprivileged Linux process may not raise its priority again)
// changes nothing else.
void SetIdlePriority();
void SetNormalPriority();

// Holds idle priority for the life of the object, also when the work ends by
// an exception.
class IdlePriorityScope {
public:
    IdlePriorityScope() { SetIdlePriority(); }
    ~IdlePriorityScope() { SetNormalPriority(); }
    IdlePriorityScope(const IdlePriorityScope&) = delete;
    IdlePriorityScope& operator=(const IdlePriorityScope&) = delete;
};

}  // namespace pelorin::platform

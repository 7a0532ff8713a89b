// Test-only entry points of the arena layer. Tests run as one user, in
// parallel, beside the user's real arena: each test process keys its IPC
// objects with a user id of its own so that it never meets another's.
#pragma once

#include <sys/types.h>

namespace iwarena {

// Makes the key rule use `uid` instead of the process's user id; a
// negative value restores the real one. Inherited by forked children.
void SetKeyUserIdForTesting(long uid);

// Takes and releases the heap lock, as an allocation does.
void LockHeapForTesting();
void UnlockHeapForTesting();

}  // namespace iwarena

#pragma once

// The words for a failure, in the user's language: what could not be done, with which file or
// folder, and why, said so that a photographer knows what to do ("the disk is full", "it is no
// longer there (was the card or drive removed?)"). The controller and the command line both
// make their messages here.

#include "model/failure.h"

#include <QString>

namespace quillmore {

// One sentence for the failure.
QString failureText(const Failure &failure);
// The sentence for a file that could not be copied; the file itself is named beside it.
QString copyFailureText(const Failure &failure);
// Why a system call failed: our own words where we have them, else the system's description.
QString reasonText(int errorNumber);

} // namespace quillmore

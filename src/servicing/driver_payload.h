#pragma once
// The USB 3.0 driver packages the program carries as data resources, written out at every start
// into the tree "U3" beneath the program data folder.
#include <map>
#include <string>

// Relative path below the program data folder ("U3\...") -> resource name, ordered by plain
// code-unit comparison of the path. Filled by ExtractDriverPayload; used by no other thread.
using DriverPayloadMap = std::map<std::wstring, std::wstring>;
extern DriverPayloadMap DriverPayloadTable;

// Rebuilds the U3 tree from the resources: whatever stands at its place is removed without
// following links, the root is created afresh as a private folder (SYSTEM and Administrators
// only), then each of the 26 files is written byte for byte. An old tree that can't be removed,
// a missing resource or a file that can't be written throws std::runtime_error naming it
// (start-up shows the text and ends); files already written stay.
void ExtractDriverPayload();

// The payload root as the job record carries it: program data folder + "U3", no backslash.
std::wstring DriverPayloadRoot();

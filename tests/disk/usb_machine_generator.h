#pragma once
// Random simulated machines for the USB preparation's safety rounds: internal disks, USB hard
// disks, sticks below and above 32 GiB, card readers with several slots (some empty), MBR and
// GPT layouts with partitions that have no drive letter, and the ways a letter can move to
// another volume while the program works.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sim/machine/machine_builder.h"

namespace usbgen {

// What happens to the chosen letter after the user chose it.
enum class Move {
  None,
  BeforeCheck,   // another volume gets the letter before the program looks for it
  Reassigned,    // while the clean question is open, another volume gets the letter
  Swapped,       // while the question is open, the disk is pulled and another stick takes its number and letter
  Pulled,        // while the question is open, the disk is pulled and nothing takes its place
};

struct Round {
  char letter = 0;            // the letter the user chose
  bool failFormat = false;    // the first format statement fails
  char formatNewLetter = 0;   // formatting gives the volume this letter; '-' none; 0 keeps it
  std::vector<int> answers;   // the answers to the clean questions, in order
  Move move = Move::None;
  int moveDisk = -1;          // Reassigned and BeforeCheck: the volume that gets the letter
  int movePartition = -1;
  std::uint64_t swapSizeMiB = 0;  // Swapped: the new stick's size
  // The round goes the wizard's way: the erase question looks at the disk's layout first (a
  // move other than BeforeCheck happens while it is open) and its answer is `eraseYes`; a Yes to
  // a question that named the whole disk cleans it at once.
  bool wizard = false;
  bool eraseYes = true;
};

// Builds a random machine on `builder` (which holds the system disk 0 with C:) and plans the
// round. Every lettered volume holds a file "data.bin" with the text "user data".
Round Generate(std::mt19937& random, platform::host::MachineBuilder& builder);

// Applies the round's move to a description; `machineFolder` is where drive folders live.
void ApplyMove(const Round& round, platform::host::MachineDescription& machine, const std::string& machineFolder);

// Where the preparation may work for `letter`: the disk whose partition carries the letter when
// that disk is a USB or removable disk with its medium, -1 otherwise. `partition` gets the
// partition's number.
int EligibleHolder(const platform::host::MachineDescription& machine, char letter, int* partition = nullptr);

// True when partition `partition` of disk `disk` is formatted where it is: the disk is MBR and
// that primary partition (not at the disk's first byte) is its only one.
bool FormatsInPlace(const platform::host::MachineDescription& machine, int disk, int partition);

// A partition as diskpart sees it, for comparing disks before and after a round.
std::string DiskFingerprint(const platform::host::DiskRecord& disk);

}  // namespace usbgen

#pragma once
// Which images of sources\boot.wim the servicing works on, decided once for the check made
// before a job and for the servicing step itself: Windows 7 setup boots image 2 of boot.wim
// (image 1 is the plain Windows PE), and a boot.wim of any other count is not one the program
// knows how to service, so it is refused before anything is erased.
#include <cstdint>
#include <string>

// The image of boot.wim that runs Windows setup, and the one that always gets the drivers.
constexpr std::uint32_t kSetupBootImageIndex = 2;
// The number of images a serviceable boot.wim holds.
constexpr std::uint32_t kServiceableBootImageCount = 2;

// Empty when a boot.wim holding `count` images can be serviced; otherwise the sentence that says
// why not, naming `wim` ("The setup image E:\sources\boot.wim holds 3 images, ...").
std::wstring BootImageCountProblem(const std::wstring& wim, std::uint32_t count);

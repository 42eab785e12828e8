#pragma once

// What the popover asks the program to create once it is in front; no action only brings it
// forward.
enum class MenuBarAction { newEvent, newTask, newPolicy };

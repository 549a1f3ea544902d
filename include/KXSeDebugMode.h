// The diagnostic log's switch modes.
#pragma once

// How SetDebugMode treats the registry's log switch.
enum KXSeDebugMode : int {
  KXSeDebugRegistry = 0,  // follow the stored flag
  KXSeDebugOn = 1,        // log, and store 1
  KXSeDebugOff = 2,       // do not log, and store 0
};

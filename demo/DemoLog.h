#pragma once
// The demo log pair: a down-depth record of the emulator's synthetic well,
// made through the program's own reader, decoder, data-file and header writers.

// Records into the data and header files of PathSettings, with the sonde of
// the tool record; false when anything failed.
bool RecordDemoLog();

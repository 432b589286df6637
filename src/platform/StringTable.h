#pragma once

#include <string>

namespace vireo {

// Numbers of the program's string table (resources/strings.rc).
enum StringId : int {
    IDS_APPTITLE = 10000,
    IDS_HARDWARE_MISSING = 10001,
    IDS_REPLACE_DEFAULT = 10002,
    IDS_SAVE_CAPTION = 10003,
    IDS_NO_MIDI_OUTPUT = 10004,
    IDS_ERROR_OUT_OF_RANGE = 12000,
    IDS_DEVICEID_WHILE_OPEN = 12001,
    IDS_INVALID_DEVICE_ID = 12002,
    IDS_PRODUCTNAME_WHILE_OPEN = 12003,
    IDS_DEVICE_NOT_INSTALLED = 12004,
    IDS_DEVICE_NOT_OPEN = 12007,
};

// The text of a string table entry (UTF-8); empty when the table has no such entry.
std::string LoadStr(int id);

// LoadStr(id) with each "%s" replaced by arg, in the manner of the C formatter.
std::string FmtLoadStr(int id, const std::string& arg);

} // namespace vireo

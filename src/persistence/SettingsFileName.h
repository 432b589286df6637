#pragma once

#include <string>
#include <string_view>

// Pure text functions on settings file paths; none of them looks at a file.
namespace vireo {

// The folder part of path, up to and including its last separator ("" without one).
std::string FolderPart(std::string_view path);
// The file name part of path, after its last separator.
std::string FileNamePart(std::string_view path);

// The name the caption shows for a settings file: its file name part up to the first ".mix"
// (letter case counts); empty when the name holds no ".mix". "/x/Jazz Club.mix" gives
// "Jazz Club", "/x/my.mix.old" gives "my", "/x/SONG.MIX" gives "".
std::string SettingsDisplayNameOf(std::string_view path);

// True when the file name part is exactly "Default.mix", letter case counting: Save asks
// before it writes such a file.
bool IsDefaultSettingsName(std::string_view path);

// True when the extension of the file name part (from its last "."), lower-cased, is ".mix":
// the test a dropped or handed-over file must pass.
bool HasMixExtension(std::string_view path);

} // namespace vireo

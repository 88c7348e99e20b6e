#pragma once
// Names for scratch files (thumbnails and pictures on their way to or from the server).

#include <string>
#include <string_view>

// Creates a new, empty file "KVX<unique>.tmp" in $TMPDIR (or /tmp when that is unset or empty), with
// mode 0600 so other users cannot read what is put in it, and returns its full path. The ".tmp" ending
// makes GetTempJPGFile of the result a ".JPG" name beside it.
// Failure (folder missing or not writable): the empty text.
std::u16string GetTempFile();

// `name` without its last three characters, followed by "JPG" (".tmp" becomes ".JPG"). A name of
// fewer than three characters is dropped whole, giving "JPG". Only a name: no file is created.
std::u16string GetTempJPGFile(std::u16string_view name);

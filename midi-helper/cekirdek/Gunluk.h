#pragma once
// The helper's only log: one line per call on standard error.

#include <functional>
#include <string>

namespace oka::yardimci {

// [herhangi] "yyyy-MM-dd HH:mm:ss.SSS [oka-midi-yardimci] " + mesaj + "\n", written with one write.
void gunluk(std::string const& mesaj);

// [herhangi] Tests take the lines (without time stamp) instead of standard error; nullptr restores it.
void gunlukAlicisiKur(std::function<void(std::string const&)> alici);

} // namespace oka::yardimci

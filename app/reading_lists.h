// The reading lists on the screen: readings on the page ('r') and annotations ('i').
#pragma once

namespace shiori {

class Reader;

/// Lists the readings of the bases on the shown page; 'S' writes "ruby.txt".
void show_ruby(Reader& r);
/// Lists the reading positions and the annotations; 'S' writes "rinfo.txt".
void show_rinfo(Reader& r);

}  // namespace shiori

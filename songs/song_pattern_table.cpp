#include "songs/song_pattern_table.h"

#include <array>

namespace tagwright {

namespace {

constexpr TSongField kArtist = TSongField::Artist;
constexpr TSongField kTitle = TSongField::Title;
constexpr TSongField kMix = TSongField::Mix;
constexpr TSongField kTrack = TSongField::Track;
constexpr TSongField kAlbum = TSongField::Album;
constexpr TSongField kFeaturing = TSongField::Featuring;
constexpr TSongField kGenre = TSongField::Genre;
constexpr TSongField kURL = TSongField::URL;
constexpr TSongField kMix2 = TSongField::Mix2;

// A word token usually ends in the space that followed it, which is why "s- s" stands beside
// "s - s". The first row whose pattern equals the class string is taken.
constexpr std::array<TSongPattern, 84> kSongPatterns = {{
    {"(s)-s", {{{kArtist, 1, 1}, {kTitle, 4, 4}}}, 2},                                              // 1
    {"(s) s (s)-s", {{{kArtist, 1, 1}, {kTitle, 4, 4}, {kMix, 7, 7}}}, 3},                          // 2
    {"# - s", {{{kTrack, 0, 0}, {kTitle, 4, 4}}}, 2},                                               // 3
    {"s - s", {{{kArtist, 0, 0}, {kTitle, 4, 4}}}, 2},                                              // 4
    {"s- s", {{{kArtist, 0, 0}, {kTitle, 3, 3}}}, 2},                                               // 5
    {"# s - # - s", {{{kAlbum, 0, 2}, {kTrack, 6, 6}, {kTitle, 10, 10}}}, 3},                       // 6
    {"# - s- s", {{{kTrack, 0, 0}, {kArtist, 4, 4}, {kTitle, 7, 7}}}, 3},                           // 7
    {"s (s) - s", {{{kTitle, 0, 0}, {kMix, 3, 3}, {kArtist, 8, 8}}}, 3},                            // 8
    {"s (s) - s (s)", {{{kArtist, 0, 0}, {kFeaturing, 3, 3}, {kTitle, 8, 8}, {kMix, 11, 11}}}, 4},  // 9
    {"s", {{{kTitle, 0, 0}}}, 1},                                                                   // 10
    {"s - s- s", {{{kArtist, 0, 0}, {kTitle, 4, 7}}}, 2},                                           // 11
    {"s- # - s- # s (s)",
     {{{kAlbum, 0, 0}, {kTrack, 3, 3}, {kArtist, 7, 7}, {kTitle, 10, 12}, {kMix, 15, 15}}},
     5},                                                                                           // 12
    {"s- s (s)", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 6, 6}}}, 3},                            // 13
    {"s- s(s)", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 5, 5}}}, 3},                             // 14
    {"s - s (s)", {{{kArtist, 0, 0}, {kTitle, 4, 4}, {kMix, 7, 7}}}, 3},                           // 15
    {"s-s", {{{kArtist, 0, 0}, {kTitle, 2, 2}}}, 2},                                               // 16
    {"s - s#s", {{{kArtist, 0, 0}, {kTitle, 4, 4}}}, 2},                                           // 17
    {"s - # s (s # s)", {{{kArtist, 0, 0}, {kTitle, 4, 6}, {kMix, 9, 13}}}, 3},                    // 18
    {"s - s#s - s (s#)", {{{kArtist, 0, 0}, {kTitle, 10, 10}, {kMix, 13, 14}, {kURL, 4, 6}}}, 4},  // 19
    {"s (s) - #s (s)", {{{kArtist, 0, 0}, {kMix, 3, 3}, {kTitle, 8, 9}, {kMix2, 12, 12}}}, 4},     // 20
    {"s - s(s)", {{{kArtist, 0, 0}, {kTitle, 4, 4}, {kMix, 6, 6}}}, 3},                            // 21
    {"s- s #", {{{kArtist, 0, 0}, {kTitle, 3, 5}}}, 2},                                            // 22
    {"s - s- (s)", {{{kArtist, 0, 0}, {kTitle, 4, 4}, {kMix, 8, 8}}}, 3},                          // 23
    {"s # - s (s)", {{{kArtist, 0, 2}, {kTitle, 6, 6}, {kMix, 9, 9}}}, 3},                         // 24
    {"s - s#s#s#s#", {{{kGenre, 0, 0}, {kTitle, 4, 11}}}, 2},                                      // 25
    {"s - s(s", {{{kArtist, 0, 0}, {kTitle, 4, 4}, {kMix, 6, 6}}}, 3},                             // 26
    {"#-s- s", {{{kTrack, 0, 0}, {kArtist, 2, 2}, {kTitle, 5, 5}}}, 3},                            // 27
    {"#-s - s", {{{kTrack, 0, 0}, {kArtist, 2, 2}, {kTitle, 6, 6}}}, 3},                           // 28
    {"#-s - s#", {{{kTrack, 0, 0}, {kArtist, 2, 2}, {kTitle, 6, 7}}}, 3},                          // 29
    {"# - s - s", {{{kTrack, 0, 0}, {kArtist, 4, 4}, {kTitle, 8, 8}}}, 3},                         // 30
    {"s- s # (s)", {{{kArtist, 0, 0}, {kTitle, 3, 5}, {kMix, 8, 8}}}, 3},                          // 31
    {"s#s - s(s)", {{{kArtist, 0, 2}, {kTitle, 6, 6}, {kMix, 8, 8}}}, 3},                          // 32
    {"s-s (s-s)", {{{kArtist, 0, 0}, {kTitle, 2, 2}, {kMix, 5, 7}}}, 3},                           // 33
    {"s - s-s", {{{kArtist, 0, 0}, {kTitle, 4, 6}}}, 2},                                           // 34
    {"s # - s(s)", {{{kArtist, 0, 2}, {kTitle, 6, 6}, {kMix, 8, 8}}}, 3},                          // 35
    {"s-s (s)", {{{kArtist, 0, 0}, {kTitle, 2, 2}, {kMix, 5, 5}}}, 3},                             // 36
    {"s # - s", {{{kArtist, 0, 2}, {kTitle, 6, 6}}}, 2},                                           // 37
    {"s - s#", {{{kArtist, 0, 0}, {kTitle, 4, 5}}}, 2},                                            // 38
    {"s - s# s", {{{kArtist, 0, 0}, {kTitle, 4, 7}}}, 2},                                          // 39
    {"s# - s (s)", {{{kTrack, 0, 1}, {kArtist, 5, 5}, {kTitle, 8, 8}}}, 3},                        // 40
    {"s# - s(s)", {{{kTrack, 0, 1}, {kArtist, 5, 5}, {kTitle, 7, 7}}}, 3},                         // 41
    {"s -s (s)", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 6, 6}}}, 3},                            // 42
    {"s-s(s)", {{{kArtist, 0, 0}, {kTitle, 2, 2}, {kMix, 4, 4}}}, 3},                              // 43
    {"s- # (s)", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 6, 6}}}, 3},                            // 44
    {"s- # - (s", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 8, 8}}}, 3},                           // 45
    {"s - s (s#)", {{{kTrack, 0, 0}, {kArtist, 4, 4}, {kTitle, 7, 8}}}, 3},                        // 46
    {"s - s # s", {{{kArtist, 0, 0}, {kTitle, 4, 8}}}, 2},                                         // 47
    {"s# s- s", {{{kArtist, 0, 3}, {kTitle, 6, 6}}}, 2},                                           // 48
    {"s- s ( s )", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 7, 7}}}, 3},                          // 49
    {"s- s (s-s)", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 6, 8}}}, 3},                          // 50
    {"s-s# (s)", {{{kArtist, 0, 0}, {kTitle, 2, 3}, {kMix, 6, 6}}}, 3},                            // 51
    {"s- s#", {{{kArtist, 0, 0}, {kTitle, 3, 4}}}, 2},                                             // 52
    {"s- s # s", {{{kArtist, 0, 0}, {kTitle, 3, 7}}}, 2},                                          // 53
    {"s-s - s (s)", {{{kArtist, 0, 2}, {kTitle, 6, 6}, {kMix, 9, 9}}}, 3},                         // 54
    {"s- #", {{{kArtist, 0, 0}, {kTitle, 3, 3}}}, 2},                                              // 55
    {"s- s # - s", {{{kArtist, 0, 0}, {kTitle, 3, 5}, {kMix, 9, 9}}}, 3},                          // 56
    {"s- s (# s)", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 6, 8}}}, 3},                          // 57
    {"s- s(s-s)", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 5, 7}}}, 3},                           // 58
    {"s#", {{{kTitle, 0, 1}}}, 1},                                                                 // 59
    {"#s - s", {{{kArtist, 0, 1}, {kTitle, 5, 5}}}, 2},                                            // 60
    {"s- s(s) (s)", {{{kArtist, 0, 0}, {kTitle, 3, 3}, {kMix, 5, 5}, {kMix2, 9, 9}}}, 4},          // 61
    {"s-s - s", {{{kArtist, 0, 2}, {kTitle, 6, 6}}}, 2},                                           // 62
    {"#-s", {{{kTrack, 0, 0}, {kTitle, 2, 2}}}, 2},                                                // 63
    {"# - s #", {{{kTrack, 0, 0}, {kTitle, 4, 6}}}, 2},                                            // 64
    {"#-s (s)", {{{kTrack, 0, 0}, {kTitle, 2, 2}, {kMix, 5, 5}}}, 3},                              // 65
    {"# - s (s)", {{{kTrack, 0, 0}, {kTitle, 4, 4}, {kMix, 7, 7}}}, 3},                            // 66
    {"# - s(s)", {{{kTrack, 0, 0}, {kTitle, 4, 4}, {kMix, 6, 6}}}, 3},                             // 67
    {"#-s(s)", {{{kTrack, 0, 0}, {kTitle, 2, 2}, {kMix, 4, 4}}}, 3},                               // 68
    {"#- s", {{{kTrack, 0, 0}, {kTitle, 3, 3}}}, 2},                                               // 69
    {"#-s (s) - s", {{{kTrack, 0, 0}, {kTitle, 2, 2}, {kMix, 5, 5}, {kArtist, 10, 10}}}, 4},       // 70
    {"# - # s", {{{kTrack, 0, 0}, {kTitle, 4, 6}}}, 2},                                            // 71
    {"# - s-s", {{{kTrack, 0, 0}, {kTitle, 4, 6}}}, 2},                                            // 72
    {"# - s # s", {{{kTrack, 0, 0}, {kTitle, 4, 8}}}, 2},                                          // 73
    {"# - s (# s #)", {{{kTrack, 0, 0}, {kTitle, 4, 4}, {kMix, 7, 11}}}, 3},                       // 74
    {"# - (s) s", {{{kTrack, 0, 0}, {kTitle, 4, 8}}}, 2},                                          // 75
    {"#", {{{kTrack, 0, 0}}}, 1},                                                                  // 76
    {"# - # - s", {{{kTrack, 4, 4}, {kTitle, 8, 8}}}, 2},                                          // 77
    {"s(s)", {{{kTitle, 0, 0}, {kMix, 2, 2}}}, 2},                                                 // 78
    {"(s) - s", {{{kArtist, 1, 1}, {kTitle, 6, 6}}}, 2},                                           // 79
    {"(s) s", {{{kArtist, 1, 1}, {kTitle, 4, 4}}}, 2},                                             // 80
    {"#-s-s", {{{kTrack, 0, 0}, {kArtist, 2, 2}, {kTitle, 4, 4}}}, 3},                             // 81
    {"s - # - s", {{{kArtist, 0, 0}, {kTrack, 4, 4}, {kTitle, 8, 8}}}, 3},                         // 82
    {"s- # - s", {{{kArtist, 0, 0}, {kTrack, 3, 3}, {kTitle, 7, 7}}}, 3},                          // 83
    {"s (s)", {{{kTitle, 0, 0}, {kMix, 3, 3}}}, 2},                                                // 84
}};

}  // namespace

std::span<const TSongPattern> SongPatternTable() { return kSongPatterns; }

}  // namespace tagwright

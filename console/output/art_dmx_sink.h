#pragma once

// Where the Art-Net interface type sends its universes. The Art-Net link implements it.

#include <QString>
#include <cstdint>
#include <span>

class ArtDmxSink {
 public:
  virtual ~ArtDmxSink() = default;
  // Sends one ArtDmx packet to `destination` (an address text): subnet, universe (its low four bits
  // are used) and exactly 512 slots. False when it could not be sent.
  virtual bool SendArtDMX(const QString& destination, int subnet, int universe,
                          std::span<const uint8_t> data) = 0;
};

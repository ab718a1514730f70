#pragma once

#include "DownloadedTransit.hpp"

namespace sentinex {

/// Where a downloaded transit goes when the database refuses it (locked by another program, disk full).
/// The reader has already handed the record over and will not send it again, so it must be kept here
/// and stored later. The download library cannot reach the program's journal of waiting records; the
/// window that starts the download hands one in through this interface.
class DownloadSink {
public:
    virtual ~DownloadSink() = default;
    /// Keeps `record` to be stored later. True when it is kept (stored already, or waiting); false when
    /// it could not be kept anywhere.
    virtual bool keep(const DownloadedTransit& record) = 0;
};

} // namespace sentinex

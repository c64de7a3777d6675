#pragma once

#include <QString>
#include <memory>

// However many servers share one catalogue, one of them checks its cams: the one holding this lease.
// A holder that ends, or loses its connection to the database, lets the lease go at once, and
// another server takes it the next time it asks.
class TCheckerLease {
public:
    virtual ~TCheckerLease() = default;
    // True while this process holds the lease: takes it when it is free, and finds out when it was
    // lost. Cheap enough to ask every few seconds.
    virtual bool Hold() = 0;
};

// A lease among the processes of one machine: an exclusive lock on the file `path`, which the
// system lets go when its holder ends, however it ends.
std::unique_ptr<TCheckerLease> FileLease(const QString& path);

#pragma once

#include <functional>
#include <string>

#include <sys/types.h>

// What a request costs each server in processor time: the service, libmicrohttpd alone with the
// service's daemon settings answering the same bytes, and the bare socket floor. Processor time
// does not depend on which processor a server's thread happens to be woken on, so it shows
// what each layer adds where the time of a round trip mostly shows the scheduler.
namespace bench {

// The argument that makes the bench's executable the library server (followed by the file).
inline constexpr const char* LibraryServeOption = "--library-serve";

// The library server's own process: two single-threaded libmicrohttpd daemons on listening
// sockets of their own (SO_REUSEPORT), with the flags, connection memory, limits and backlog of
// one address of the service, answering every request (body read and dropped) with the status,
// header lines and body of the reply in replyFile. Writes "floor listening on PORT" and serves
// until standard input ends. Returns the exit status.
int serveLibrary(const std::string& replyFile);

// Processor time (user and system, every thread) a process has used, in microseconds; -1 when
// it cannot be read.
double cpuMicros(pid_t pid);

// One server: where it listens and which process does its work.
struct Server {
    int port = 0;
    pid_t pid = -1;
};

// Microseconds of processor time per request of each server, as the medians of `blocks`
// interleaved blocks of `perBlock` requests (ours, library, floor, ours, ...), with the medians
// of each block's ratios to the floor and of ours to the library.
struct ServerCost {
    double ours = 0;
    double library = 0;
    double floor = 0;
    double oursToFloor = 0;
    double libraryToFloor = 0;
    double oursToLibrary = 0;
};
ServerCost serverCost(const Server& ours, const Server& library, const Server& floor, int blocks,
                      int perBlock, const std::function<std::string(int)>& request);

// Prints, as a table, ServerCost of the service at port (process pid) for a small content file,
// cached scroll pages (scroll(n)) and the players pick list (the request players).
void printServerCost(int port, pid_t pid, int scale, const std::function<std::string(int)>& scroll,
                     const std::string& players);

} // namespace bench

#pragma once

#include "renderer/RendererProtocol.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

// The renderer's end of the pipes: a thread reads the program's requests from standard input
// as they come, so that a Cancel is heard while a page is being drawn; answers go to standard
// output whole, one frame at a time.
class RequestChannel final {
public:
    RequestChannel(int input, int output);
    ~RequestChannel();

    // Starts the reading thread. Called before the sandbox closes in, which then covers it too.
    void start();

    // The next request, waiting for it; nothing once the program has closed the pipe or sent
    // something that is not a frame. Cancel and Close never come out of here: the first is
    // dealt with at once, the second comes out as itself.
    std::optional<RendererProtocol::Frame> next();

    // Whether the request being worked on has been cancelled meanwhile.
    bool isCancelled(quint32 request);

    // Writes one frame: its header and its payload's parts, in order. False once the program
    // is gone.
    bool answer(RendererProtocol::Type type, quint32 request,
                std::initializer_list<QByteArrayView> parts);

private:
    void readLoop();
    void received(RendererProtocol::Frame frame);
    bool writeAll(QByteArrayView bytes);

    int m_input;
    int m_output;
    std::thread m_reader;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<RendererProtocol::Frame> m_queue;
    std::set<quint32> m_cancelled;
    std::optional<quint32> m_current;
    bool m_ended = false;
    std::mutex m_writing;
};

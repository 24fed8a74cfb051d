#pragma once
// What a simulated device says to one request. The line (pseudo-terminal, framing, faults, line speed)
// is the transport's business; a responder only turns a request into reply bytes.
#include <string>

namespace sim {

class Responder {
public:
    virtual ~Responder() = default;
    // `request` is one request as received, without its closing CR: a framed "+word[index][value]" or an
    // unframed line such as "CABLE CONNECT". Bytes are Windows-1251 as on the wire. The result is
    // written back as it stands (e.g. ">0050\r\nOK\r\n", "OK\r\n", "NOK\r\n"); empty means no reply.
    virtual std::string Answer(const std::string& request) = 0;
};

}  // namespace sim

// A record of the contact responses entered, for diagnostics and tests: the
// per-step response and its three-cell variant call each other and
// themselves, and what they did is otherwise only seen in the tissue they
// leave. Recording is off unless a list is given.
#ifndef VANTU_CONTACT_RESPONSE_TRACE_H
#define VANTU_CONTACT_RESPONSE_TRACE_H

#include <vector>

namespace welding {

// One entered response: `three` for the three-cell variant (whose caller's
// pair is q, else -1), its pair, pass and visited pair, how deeply it is
// nested (1 for a call of the stage), whether the nesting cap refused it, and
// whether it is the one further run of a pair that was asked for again while
// its response was open (recorded at that response's depth).
struct ResponseCall {
    bool three;
    int pair;
    int q;
    int pass;
    int first;
    int depth;
    bool refused;
    bool again = false;
};

// Every response entered from now on is appended to `into`; null stops.
void record_responses(std::vector<ResponseCall>* into);

} // namespace welding

#endif

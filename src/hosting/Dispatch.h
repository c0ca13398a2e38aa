#pragma once
// The late-bound interface through which the program drives every hosted
// control: write a property, read a property, call a method, each by its
// dispatch identifier. Controls raise their notifications to one sink.
#include "Variant.h"

#include <functional>
#include <vector>

namespace corvane {

using DispId = int32_t;
using Args = std::vector<Variant>;
using EventSink = std::function<void(DispId event, const Args& args)>;

class Dispatch {
public:
    virtual ~Dispatch() = default;

    virtual void put(DispId id, const Variant& value) = 0;
    virtual Variant get(DispId id) = 0;
    virtual Variant call(DispId id, const Args& args = {}) = 0;

    // One sink per control; the window that hosts the control installs it.
    void advise(EventSink sink) { sink_ = std::move(sink); }

protected:
    void raise(DispId event, const Args& args = {}) const
    {
        if (sink_)
            sink_(event, args);
    }

private:
    EventSink sink_;
};

}  // namespace corvane

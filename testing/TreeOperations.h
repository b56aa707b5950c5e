// The table of the Tree's operations as treeops("operations") gives it, read
// into C++ for the programs that go through every operation: the allocation
// sweep, the gateway tests and the fuzzer's decoder; and arguments of every
// kind the table names, for calls that have work to do.
#ifndef BOXGRAPH_TESTING_TREE_OPERATIONS_H
#define BOXGRAPH_TESTING_TREE_OPERATIONS_H

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "Harness.h"
#include "TreeFiles.h"

namespace treetest {

struct Operation {
    std::string name;
    std::string form;                    // "method" or "property"
    int results = 0;                     // the most results it gives
    std::vector<std::string> arguments;  // what each argument after the name is
    std::vector<std::string> refusals;   // its own refusal reasons
};

inline std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> list;
    for (std::string word; in >> word;)
        list.push_back(word);
    return list;
}

// The rows of the struct array treeops("operations") returns; none for
// anything else.
inline std::vector<Operation> operationsOf(const mxArray* table)
{
    std::vector<Operation> list;
    if (table == nullptr || !mxIsStruct(table))
        return list;
    for (size_t k = 0; k < mxGetNumberOfElements(table); ++k) {
        Operation op;
        op.name = host::textOf(mxGetField(table, k, "name"));
        op.form = host::textOf(mxGetField(table, k, "form"));
        op.results = static_cast<int>(host::doubles(mxGetField(table, k, "results"))[0]);
        op.arguments = words(host::textOf(mxGetField(table, k, "arguments")));
        op.refusals = words(host::textOf(mxGetField(table, k, "refusals")));
        list.push_back(op);
    }
    return list;
}

// The table of the treeops module entry, asked for as the class asks.
inline std::vector<Operation> operationsOf(host::MexFunction treeops)
{
    host::Array word = host::text("operations");
    host::CallResult r = host::callEntry(treeops, 1, {word.get()});
    return operationsOf(r.ok && !r.outputs.empty() ? r.outputs[0].get() : nullptr);
}

inline std::vector<Operation> operationsOf(const host::Module& treeops)
{
    host::Array word = host::text("operations");
    host::CallResult r = treeops.call(1, {word.get()});
    return operationsOf(r.ok && !r.outputs.empty() ? r.outputs[0].get() : nullptr);
}

// A value for each kind of argument in the table, for a call on a tree over
// a 2-dimensional rectangle halved six times (64 boxes at depth 6): a depth
// is 3 (8 boxes, a level above the deepest), a depth where boxes are made
// 12, a mask fits the level the call uses. of() gives an operation all its
// arguments; a kind it has no value for is returned in *unknown (so that a
// test names what was forgotten) and left out.
class ExampleArguments {
public:
    std::vector<host::Array> of(const Operation& op, std::string* unknown) const
    {
        const bool atDepth = std::find(op.arguments.begin(), op.arguments.end(), "depth") != op.arguments.end();
        std::vector<host::Array> list;
        for (const std::string& kind : op.arguments) {
            const host::Array* value = kind == "depth" ? &depth_ : kind == "anyDepth" ? &anyDepth_
                                     : kind == "points" ? &points_ : kind == "offsets" ? &offsets_
                                     : kind == "range" ? &range_ : kind == "file" ? &name_
                                     : kind == "form" ? &form_ : nullptr;
            if (value != nullptr)
                list.emplace_back(mxDuplicateArray(value->get()));
            else if (kind == "mask")
                list.push_back(mask(atDepth ? 8 : 64));
            else if (unknown != nullptr)
                *unknown = kind;
        }
        return list;
    }

    const std::string& file() const { return file_.path(); }

private:
    // One true in every three.
    static host::Array mask(size_t boxes)
    {
        std::vector<double> values(boxes, 0.0);
        for (size_t k = 0; k < boxes; k += 3)
            values[k] = 1;
        return host::row(values);
    }

    host::Array depth_ = host::scalar(3);
    host::Array anyDepth_ = host::scalar(12);
    host::Array points_ = host::dense(2, 3, {0.1, 0.2, -0.7, 0.4, 0.9, -0.9});
    host::Array offsets_ = host::dense(2, 2, {-1, 1, 0.5, -0.5});
    host::Array range_ = host::row({2, 5});
    host::Array form_ = host::text("sparse");
    treefiles::TempFile file_{""};
    host::Array name_ = host::text(file_.path());
};

}  // namespace treetest

#endif

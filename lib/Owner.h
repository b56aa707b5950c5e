// Owner<T, Free>: a std::unique_ptr that gives its record back through the
// function that frees it, so code that makes several things in a row frees
// what it made when a later step fails (a checked allocation throws inside a
// host call) without a hand-written catch block. The records and their
// create/free functions stay as they are; the owner only calls the free
// function:
//   Owner<Tree, Tree_free> tree(Tree_new(rect));     // Module_free(T**)
//   Owner<double, free> center(Vec_readAll(...));     // free(void*)
//   Owner<FILE, fclose> file(fopen(name, "rb"));      // fclose(FILE*)
// A free function that takes T** (the library's Module_free convention) is
// given the owner's own pointer's address; any other takes the pointer.
// release() hands the record on, as with any unique_ptr.
#ifndef BOXGRAPH_OWNER_H
#define BOXGRAPH_OWNER_H

#include <memory>
#include <type_traits>

namespace owner_detail {

template <class F>
struct Parameter;
template <class R, class A>
struct Parameter<R (*)(A)> {
    using type = A;
};
template <class R, class A>
struct Parameter<R (*)(A) noexcept> {
    using type = A;
};

template <auto Free>
struct FreeWith {
    template <class T>
    void operator()(T* p) const
    {
        if constexpr (std::is_same_v<typename Parameter<decltype(Free)>::type, T**>)
            Free(&p);
        else
            Free(p);
    }
};

}  // namespace owner_detail

template <class T, auto Free>
using Owner = std::unique_ptr<T, owner_detail::FreeWith<Free>>;

#endif

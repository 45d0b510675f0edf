// The precompiled header's own unit: the tests reuse what it compiles.

#pragma once
// What the platform under the tests can show. Wine keeps no security
// descriptors of its own on files: it turns a DACL into Unix mode bits and
// reads back one made from them, so rights set there cannot be read back.

// True when the tests run under Wine.
bool OnWine();

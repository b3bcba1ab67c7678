#pragma once

// What the autoplay director does, in one place. Times are in milliseconds of the program's
// clock; a scene is a few Effects on one tune at one speed, ended by a short freeze.
struct SceneRules {
    // How long a scene lasts, drawn evenly between the two.
    int shortestScene;
    int longestScene;
    // Effect timers running at once, at most (Galactic Satellites runs two).
    int mostTimers;
    // The speed slider's value for a scene, drawn evenly between the two.
    int slowestSpeed;
    int fastestSpeed;
    // The later Effects of a scene join within this time of its start.
    int joinWithin;
    // A scene changes its tune once, with this chance in a hundred, somewhere in its middle.
    int tuneChangePercent;
    // The freeze between two scenes, drawn evenly between the two.
    int shortestFreeze;
    int longestFreeze;
    // How often the director looks at the surface and at what still runs.
    int lookEvery;
    // The share of the surface, in percent, drawn on when it counts as covered and is cleared.
    int coveredPercent;
};

inline constexpr SceneRules DefaultSceneRules{
    .shortestScene = 15000,
    .longestScene = 60000,
    .mostTimers = 3,
    .slowestSpeed = 20,
    .fastestSpeed = 150,
    .joinWithin = 6000,
    .tuneChangePercent = 40,
    .shortestFreeze = 1200,
    .longestFreeze = 2500,
    .lookEvery = 1000,
    .coveredPercent = 85,
};

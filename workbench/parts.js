// The page's parts call one another, and each is made before the ones it calls
// exist: what it takes from another is looked up in `parts` when it is called.
// `const { draw, moveTo } = late(parts, 'grid')` names what a part uses of the grid.
export const late = (parts, part) => new Proxy({}, { get: (_, name) => (...args) => parts[part][name](...args) });

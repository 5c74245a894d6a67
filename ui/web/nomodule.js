// Runs only in a browser too old for the page's module: it shows the
// sentence that the page needs a current browser, in place of the window.
document.documentElement.className += " no-wasm";

window.insideLoaded = true;
